// SPDX-License-Identifier: LGPL-3.0-or-later
#include "book/markup/MarkupToText.h"

#include "book/markup/MarkupScanner.h"
#include "book/markup/MarkupStream.h"
#include "platform/UniqueAny.h"
#include "tests/support/MarkupInPieces.h"
#include "tests/support/Utf16Text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

// Each part lives in a heap block of exactly its size, so that any access past it is caught
// by AddressSanitizer.
CoTaskMemPtr<WCHAR> Convert(const std::string& part) {
    std::unique_ptr<char[]> block(new char[part.size()]);
    std::memcpy(block.get(), part.data(), part.size());
    return CoTaskMemPtr<WCHAR>(MarkupToText(block.get(), static_cast<ULONG>(part.size())));
}

std::string Printable(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == 0) {
            out += "\\0";
        } else {
            out += c;
        }
    }
    return out.size() > 60 ? out.substr(0, 60) + "..." : out;
}

struct Case {
    std::string Part;
    std::u16string Text; // the whole text, zero units included; the terminator follows it
};

// The stream gives what the whole conversion gives, wherever the part is cut, with text
// before and after it so that the cuts fall where the stream decides before the part's end.
void ExpectSameInPieces(const std::string& part) {
    if (part.empty() || part[0] == 0) {
        return;
    }
    const std::string filler(MarkupLookahead + 200, 'z');
    for (const std::string& whole : {part, filler + part, part + filler, filler + part + filler}) {
        const CoTaskMemPtr<WCHAR> result = Convert(whole);
        ASSERT_TRUE(result);
        const std::u16string expected(result.Get());
        // Every cut of a short part; of a long one, enough to fall on every kind of byte.
        const size_t every = whole.size() < 4000 ? 1 : 997;
        for (size_t cut = 0; cut <= whole.size(); cut += every) {
            ASSERT_EQ(ConvertInPieces(whole, {cut}), expected) << "cut at " << cut;
        }
        for (const size_t step : {size_t{1}, size_t{7}, size_t{300}, MarkupStream::MaxFeed}) {
            std::vector<size_t> cuts;
            for (size_t cut = step; cut < whole.size(); cut += step) {
                cuts.push_back(cut);
            }
            ASSERT_EQ(ConvertInPieces(whole, cuts), expected) << "pieces of " << step;
        }
    }
}

// The text up to the terminator must match; when the expected text holds a zero, the units
// after it are compared too (the terminator sits right after them). The part in pieces gives
// the same text.
void ExpectText(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE("part: " + Printable(c.Part));
        ExpectSameInPieces(c.Part);
        const CoTaskMemPtr<WCHAR> result = Convert(c.Part);
        ASSERT_TRUE(result);
        const std::u16string visible(result.Get());
        EXPECT_EQ(visible, c.Text.substr(0, c.Text.find(u'\0')));
        if (c.Text.find(u'\0') != std::u16string::npos && visible.size() < c.Text.size()) {
            EXPECT_EQ(std::u16string(result.Get(), c.Text.size()), c.Text);
            EXPECT_EQ(result.Get()[c.Text.size()], 0);
        }
    }
}

TEST(MarkupToText, EmptyPartOrLeadingZeroGivesNullAndLeavesThePart) {
    EXPECT_FALSE(Convert(""));
    for (const std::string& part : {"\0"s, "\0abc"s, "\0<body>x"s, "\0\0"s}) {
        SCOPED_TRACE(Printable(part));
        std::unique_ptr<char[]> block(new char[part.size()]);
        std::memcpy(block.get(), part.data(), part.size());
        EXPECT_EQ(MarkupToText(block.get(), static_cast<ULONG>(part.size())), nullptr);
        EXPECT_EQ(std::string(block.get(), part.size()), part);
    }
}

TEST(MarkupToText, TextStartsAtTheBodyMarker) {
    ExpectText({
        {"<html><head><title>T</title></head><body>Hi</body></html>", u"Hi\n"},
        {"<BODY class=\"c\">x", u"x\n"},
        {"<div>a</div>", u"a\n"},
        {"<bodyguard>y", u"y\n"},
        {"<p>head &amp; more</p><Body>b", u"b\n"},
        {"<body>a<body>b", u"a\nb\n"},
        // Not found: cut off by the end, or lying past a zero byte.
        {"x<bod", u"x<bod"},
        {"a\0<body>b"s, u"a\0b\n"s},
        {"<bo\0dy>x"s, u"<bo\0dy>x"s},
    });
}

TEST(MarkupToText, LineBreakTagsWriteALineFeedAndOtherTagsNothing) {
    const std::vector<std::string> breaking = {"<p>",  "<P>",   "<br>",
                                               "<BR>", "<br/>", "<Br/>",
                                               "<hr>", "<HR>",  "<p class=\"x\">",
                                               "<h1>", "<h2>",  "<H3 id=\"a\">",
                                               "<h4>", "<h5>",  "<p >"};
    // Block tags that are no line break: a line feed only where two words would touch.
    const std::vector<std::string> separating = {"<h6>",
                                                 "<br />",
                                                 "<hr/>",
                                                 "<hr />",
                                                 "<br clear=\"all\">",
                                                 "<p/>",
                                                 "<pre>",
                                                 "<div>",
                                                 "</p>",
                                                 "</h1>",
                                                 "<p\tclass=\"x\">",
                                                 "<p\n>",
                                                 "<td/>",
                                                 "</TD>",
                                                 "<DIV id=a>",
                                                 "</ul >",
                                                 "<li\f>",
                                                 "<tr\r>",
                                                 "<dd>",
                                                 "<BlockQuote>",
                                                 "<figcaption class=\"c\">"};
    const std::vector<std::string> silent = {"<h0>",
                                             "<h>",
                                             "<>",
                                             "<!-- p -->",
                                             "<span>",
                                             "<brr>",
                                             "<phr>",
                                             "<divx>",
                                             "<div:x>",
                                             "<//div>",
                                             "</ div>",
                                             "<1div>",
                                             "</b>",
                                             "<a href=y>",
                                             "<img src=x>",
                                             "<!--div-->",
                                             "<?xml version=\"1.0\"?>",
                                             "<tdiv>",
                                             "<blockquotes>"};
    std::vector<Case> cases;
    for (const std::string& tag : breaking) {
        cases.push_back({"a" + tag + "b", u"a\nb\n"});
    }
    for (const std::string& tag : separating) {
        cases.push_back({"a" + tag + "b", u"a\nb\n"});
        cases.push_back({"a " + tag + "b", u"a b\n"});
        cases.push_back({tag, u"\n"});
    }
    for (const std::string& tag : silent) {
        cases.push_back({"a" + tag + "b", u"ab\n"});
    }
    ExpectText(cases);
}

// After a space a line-break tag still writes its line feed, where a block tag adds nothing:
// each line-breaking form of the tag table, and forms just beside them that only separate.
TEST(MarkupToText, LineBreakFormsAndTheBlockFormsBesideThem) {
    std::vector<Case> cases;
    for (const char* tag :
         {"<p>", "<P >", "<br>", "<BR/>", "<hr>", "<h1>", "<h5 id=a>", "<h2x>", "<H3->", "<h40>"}) {
        cases.push_back({"a " + std::string(tag) + "b", u"a \nb\n"});
    }
    for (const char* tag :
         {"<p/>", "<br //>", "<br//>", "<br/x>", "</br>", "<hr/>", "<hr\t>", "<h6>", "</h1>"}) {
        cases.push_back({"a " + std::string(tag) + "b", u"a b\n"});
        cases.push_back({"a" + std::string(tag) + "b", u"a\nb\n"});
    }
    ExpectText(cases);
}

TEST(MarkupToText, BlockTagsSeparateOnlyWordsThatWouldTouch) {
    ExpectText({
        {"First line<br class=\"x\"/>second", u"First line\nsecond\n"},
        {"<td>a</td><td>b</td>", u"a\nb\n"},
        {"<div>a</div><div>b</div>", u"a\nb\n"},
        {"<ul><li>one</li><li>two</li></ul>", u"one\ntwo\n"},
        {"Fifth</h5><h6>Sixth", u"Fifth\nSixth\n"},
        {"<p>quoted</p><blockquote>aside</blockquote>", u"\nquoted\naside\n"},
        // Already apart: a line feed of the markup, a space, a tab, a line-break tag.
        {"<li>one</li>\n<li>two</li>", u"one\ntwo\n"},
        {"a </div>b", u"a b\n"},
        {"a\t</td>b", u"a\tb\n"},
        {"a</div> b", u"a b\n"},
        {"a</div><p>b", u"a\nb\n"},
        {"a</div>\r\nb", u"a\nb\n"},
        {"a</div>&nbsp;b", u"a b\n"},
        // Inline tags keep a word whole.
        {"W<span>o</span>rd", u"Word\n"},
        {"W<i>o</i>rd", u"Word\n"},
        // A carriage return and an entity that writes nothing leave the mark in place.
        {"a</div>\rb", u"a\nb\n"},
        {"a</div>&mdash;b", u"a\nb\n"},
        // Entities and text-like '<' and '&' are bytes written like any other.
        {"x</div>&eacute;t", u"x\net\n"},
        {"x</div>&amp;y", u"x\n&y\n"},
        {"a</div>< b", u"a\n< b\n"},
        {"a</div>Q&A", u"a\nQ&A\n"},
        // One line feed for a row of block tags.
        {"a</td></tr>\r<tr><td>b", u"a\nb\n"},
        // Nothing written yet: nothing to separate from.
        {"<body><div><div>a", u"a\n"},
        {"<html><head><title>T</title></head><body><div>x</div><div>y</div>", u"x\ny\n"},
        // The line-break run counts no separator.
        {"<p><p>a</div><p>b", u"\n\na\nb\n"},
        {"<p><p>&amp;</div>&amp;<p>x", u"\n\n&\n&x\n"},
        // A zero byte separates already, and still ends what a reader sees.
        {"a</li>\0b"s, u"a\0b\n"s},
        {"a\0</li>b"s, u"a\0b\n"s},
        // Multi-byte sequences are word bytes, and stay whole across inline tags only.
        {"\xC3\xA9</td><td>\xC3\xA9", u"\u00E9\n\u00E9\n"},
        {"\xC3</td>\xA9", u"\uFFFD\n\uFFFD\n"},
        // The shortest block tag leaves room for its separator and the final line feed.
        {"a<dd>b", u"a\nb\n"},
        {"a<li>b", u"a\nb\n"},
    });
}

TEST(MarkupToText, TagsEndAtTheFirstGreaterThanSign) {
    ExpectText({
        {"x<y", u"x<y"},
        {"end<span cla", u"end<span cla"},
        {"<a title=\"1>2\">z", u"2\">z\n"},
        {"a < b and c > d", u"a  d\n"},
        // A '<' inside a tag's content is part of it.
        {"a<b<p>c", u"ac\n"},
        {"<<p>x", u"x\n"},
        {"1 > 0", u"1 > 0"},
    });
}

TEST(MarkupToText, EntitiesAndAccentedLetters) {
    ExpectText({
        {"caf&eacute;", u"cafe\n"},
        {"&Uuml;ber", u"Uber\n"},
        {"&ccedil;&oslash;&Ntilde;&agrave;&ocirc;&yuml;", u"coNaoy\n"},
        {"&amp;&lt;&gt;&nbsp;&quot;", u"&<> \"\n"},
        // Any first byte stands before a suffix; the suffix itself is case sensitive.
        {"&xuml;&1grave;&&acute;", u"x1&\n"},
        {"&eACUTE;&Eacute;", u"E\n"},
        {"Q&A", u"Q&A"},
        {"salt & pepper; x", u"salt  x\n"},
        {"a&<p>;b", u"ab\n"},
        {"x&amp", u"x&amp"},
    });
    // Removed without a trace.
    std::vector<Case> removed;
    for (const char* entity : {"&AMP;", "&Nbsp;", "&apos;", "&mdash;", "&copy;", "&szlig;",
                               "&aring;", "&#233;", "&#x00E9;", "&;", "&acute;", "&uml;"}) {
        removed.push_back({entity, u"\n"});
    }
    ExpectText(removed);
}

TEST(MarkupToText, LineBreakRunsAndTheFinalLineFeed) {
    ExpectText({
        {"a<p><p><p>b", u"a\n\nb\n"},
        {"a\r\n\r\n\r\nb", u"a\n\nb\n"},
        // Decoded entities, carriage returns and closing tags keep a run going; text ends it.
        {"<p><p>&amp;<p>x", u"\n\n&x\n"},
        {"<p><p>a<p>x", u"\n\na\nx\n"},
        {"<p>\r<p>\r<p>x", u"\n\nx\n"},
        {"<p></p><p><p>x", u"\n\nx\n"},
        {"<p><p>&eacute;<p>x", u"\n\nex\n"},
        // The final line feed needs two bytes to spare, whatever the run.
        {"<b></b>", u"\n"},
        {"\r", u""},
        {"ab", u"ab"},
        {"a\r", u"a"},
        {"a\r\r", u"a\n"},
        {"\n\n\n", u"\n\n"},
        {"a\n\n\r\r", u"a\n\n\n"},
        {std::string(100000, '\n'), u"\n\n\n"},
    });
}

TEST(MarkupToText, TagContentAndEntityNameBounds) {
    const std::string content255(255, 'a');
    const std::string content256(256, 'a');
    ExpectText({
        {"<" + content255 + ">x", u"x\n"},
        {"<" + content255 + ">", u"\n"},
        {"<p " + std::string(253, 'a') + ">x", u"\nx\n"},
        // Longer, a tag still when its content holds no '<'.
        {"<" + content256 + ">x", u"x\n"},
        {"<p " + std::string(254, 'a') + ">x", u"\nx\n"},
        {"<" + content256 + "<p>b", Utf16("<" + content256) + u"\nb\n"},
        // An opener far from any closer, before one that has its own: cut between that one's
        // '<' or '&' and its closer, a piece must not take it for text.
        {"<" + std::string(400, 'a') + "<p>b", Utf16("<" + std::string(400, 'a')) + u"\nb\n"},
        {"&" + std::string(400, 'a') + "&lt;b", Utf16("&" + std::string(400, 'a')) + u"<b\n"},
        // A '<' or '&' just after one that opened nothing is judged on its own.
        {"<<" + content255 + ">x", u"<x\n"},
        {"<<" + content256 + ">x", u"<x\n"},
        {"&&abcdefghi;", u"&\n"},
        {"&abcdefghi;", u"\n"},
        {"&abcdefghij;", u"&abcdefghij;"},
        {"&abcdefghij;&amp;", u"&abcdefghij;&\n"},
    });
}

// Tags of 256 bytes of content or more, as calibre writes them: an `<img>` with a long `src` and
// `alt`, a `<span>` with many attributes, a `<p>` with a long class list. Such a tag is a tag when
// its content holds no '<' and no zero byte and is at most 65,535 bytes long; otherwise its '<'
// is text, and the bytes after it are read as text, tags and entities in them handled as usual.
TEST(MarkupToText, LongTagsAreTagsWhenTheyHoldNoLessThanSign) {
    const std::string image = "img src=\"" + std::string(300, 's') + "\" alt=\"A long caption\"/";
    const std::string span =
        "span class=\"c1\" data-aid=\"" + std::string(250, '0') + "\" id=\"x\"";
    const std::string classes = "p class=\"" + std::string(280, 'c') + "\"";
    const std::string stretch(MarkupStream::MaxFeed - 100, 'w');
    const std::string x150(150, 'x');
    const std::string y150(150, 'y');
    ExpectText({
        {"word <" + image + "> next", u"word  next\n"},
        {"W<" + span + ">o</span>rd", u"Word\n"},
        // Line breaks and block tags as any tag gives them.
        {"a<" + classes + ">b", u"a\nb\n"},
        {"a <h2 id=\"" + x150 + y150 + "\">b", u"a \nb\n"},
        {"a<div " + x150 + y150 + ">b", u"a\nb\n"},
        // A '<' among the content: text, then what follows it as text.
        {"a<" + x150 + "<" + std::string(149, 'y') + ">b", Utf16("a<" + x150 + "b\n")},
        {"<" + x150 + "&amp;\n" + y150 + "<br>z", Utf16("<" + x150 + "&\n" + y150 + "\nz\n")},
        // Of several '<' far from the '>', the last alone may hold none.
        {std::string(300, '<') + "a>b", Utf16(std::string(45, '<') + "b\n")},
        {"<" + x150 + "<" + std::string(400, 'y') + ">c", Utf16("<" + x150 + "c\n")},
        {"<" + std::string(300, 'x') + "<" + std::string(10, 'y') + ">c",
         Utf16("<" + std::string(300, 'x') + "c\n")},
        // At most 65,535 bytes of content; the stream waits for the '>' over two stretches.
        {"a<" + std::string(65535, 'c') + ">b", u"ab\n"},
        {"a<" + std::string(65536, 'c') + ">b", Utf16("a<" + std::string(65536, 'c') + ">b")},
        // Cut off by the part's end, or by a zero byte: text.
        {"end<" + image, Utf16("end<" + image)},
        {"a<" + image + "\0>b"s, Utf16("a<" + image + "\0>b"s)},
        // The text read part by part goes to the stream in stretches of MaxFeed bytes: a tag
        // across the end of the first.
        {stretch + "<" + classes + ">y", Utf16(stretch + "\ny\n")},
    });
}

TEST(MarkupToText, ZeroBytesAreTextAndEndEverySearch) {
    ExpectText({
        {"a\0b"s, u"a\0b"s},
        {"<body>\0x"s, u"\0x\n"s},
        {"<p\0>x"s, u"<p\0>x"s},
        {"&amp\0;x"s, u"&amp\0;x"s},
        {"x\0<p>y"s, u"x\0\ny\n"s},
        {"x\0&lt;y"s, u"x\0<y\n"s},
        {"<a<b\0><p>"s, u"<a<b\0>\n\n"s},
    });
}

TEST(MarkupToText, Utf8BecomesUtf16) {
    ExpectText({
        {"\xC3\xA9", u"\u00E9"},
        {"<b>\xF0\x9F\x98\x80</b>", u"\U0001F600\n"},
        {"\xE2\x82\xAC 5<b>", u"\u20AC 5\n"},
        // Bytes brought together by a removed tag form one sequence again.
        {"\xC3<b>\xA9", u"\u00E9\n"},
        {"\xFF", u"\uFFFD"},
        // Long ASCII runs mixed with sequences, whole and cut short.
        {"abcdefgh\xC3\xA9ijklmnop\xF0\x9F\x98\x80qrstuvwx\xE2\x82yz12345678\xFF",
         u"abcdefgh\u00E9ijklmnop\U0001F600qrstuvwx\uFFFDyz12345678\uFFFD"},
        {"\xC3&amp;\xA9 ", u"\uFFFD&\uFFFD \n"},
    });
}

} // namespace
