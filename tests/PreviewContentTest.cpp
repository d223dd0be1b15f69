// SPDX-License-Identifier: LGPL-3.0-or-later
// What the preview pane shows of the test books and of books derived from them, without a
// window: the cover, the lines of details, the text cut at a whole character with its
// ellipsis, the reading direction, the face that has the characters.
#include "book/preview/PreviewContent.h"
#include "book/preview/PreviewFace.h"
#include "book/preview/PreviewText.h"
#include "book/preview/ReadingDirection.h"
#include "tests/support/BookBinding.h"
#include "tests/support/PalmBook.h"
#include "tests/support/RecordingStream.h"
#include "tests/support/References.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using Text = std::u16string;

Text LineText(const PreviewLine& line) {
    return Text(reinterpret_cast<const char16_t*>(line.Text), line.Length);
}

std::string Shown(const PreviewPage& page) {
    std::string shown;
    for (size_t i = 0; i < page.LineCount && i < 6; ++i) {
        for (char16_t c : LineText(page.Lines[i]).substr(0, 40)) {
            shown += c < 0x80 ? static_cast<char>(c) : '?';
        }
        shown += " | ";
    }
    return shown;
}

// The first lines a page shows: a style, and what its text starts with.
struct ExpectedLine {
    PreviewStyle Style;
    Text Start;
};

struct PreviewCase {
    const char* Name;
    const char* Book;
    std::function<void(PalmBook&)> Derive; // may be empty
    const char* CoverStart;                // the picture's first bytes; null: no cover
    std::vector<ExpectedLine> Lines;
    bool RightToLeft;
    bool Cut;
};

const Text Dot = u" \u00b7 ";

TEST(PreviewContent, ShowsWhatEachBookHas) {
    const PreviewCase cases[] = {
        {"JPEG cover",
         "covers/lantern-kf8.azw3",
         {},
         "\xFF\xD8\xFF",
         {{PreviewStyle::Title, u"The Lantern Keeper of Orrin Point"},
          {PreviewStyle::Authors, u"Ysolde Farrant"},
          {PreviewStyle::Facts, u"Saltmarsh Editions" + Dot + u"2026" + Dot + u"en"},
          {PreviewStyle::Paragraph, u"The Orange Light"},
          {PreviewStyle::Paragraph, u"Every evening at Orrin Point the keeper"}},
         false,
         false},
        {"PNG cover",
         "covers/meadow-kf8.azw3",
         {},
         "\x89PNG",
         {{PreviewStyle::Title, u"A Field Guide to the Teal Meadow"}},
         false,
         false},
        {"no cover, no publisher",
         "harbor-kf7.mobi",
         {},
         nullptr,
         {{PreviewStyle::Title, u"The Harbor Lanterns"},
          {PreviewStyle::Authors, u"Mira Tolvane"},
          {PreviewStyle::Facts, u"2026" + Dot + u"en"},
          {PreviewStyle::Paragraph, u"Chapter 1"},
          {PreviewStyle::Paragraph, u"Mo tin reash vel fyir"}},
         false,
         false},
        {"two authors",
         "duet-kf8.azw",
         {},
         nullptr,
         {{PreviewStyle::Title, u"Caf\u00e9 Stories \u2014 \u00dcber Alles"},
          {PreviewStyle::Authors, u"Ana Brel; Piet Vos"}},
         false,
         false},
        {"French, every detail",
         "markup/lexique-kf8.azw3",
         {},
         nullptr,
         {{PreviewStyle::Title, u"Le Lexique des marais"},
          {PreviewStyle::Authors, u"\u00c9lo\u00efse Marchand"},
          {PreviewStyle::Facts, u"\u00c9ditions de la Gr\u00e8ve" + Dot + u"2024" + Dot + u"fr"},
          {PreviewStyle::Description, u"Un lexique des mots du marais, tenu par"},
          {PreviewStyle::Description, u"Pr\u00e9face de l\u2019auteure."},
          {PreviewStyle::Paragraph, u"Les mots de l\u2019eau"}},
         false,
         false},
        {"Japanese",
         "markup/kaze-kf8.azw3",
         {},
         nullptr,
         {{PreviewStyle::Title, u"\u98a8\u306e\u540d\u524d\u5e33"},
          {PreviewStyle::Authors, u"\u68ee\u7530\u8475"},
          {PreviewStyle::Facts, u"\u6f6e\u898b\u66f8\u623f" + Dot + u"2023" + Dot + u"ja"},
          {PreviewStyle::Paragraph, u"\u6d77\u304b\u3089\u5439\u304f\u98a8"}},
         false,
         false},
        {"PalmDOC with DRM v1, whose key it carries",
         "palmdoc-drm-v1.prc",
         {},
         nullptr,
         {{PreviewStyle::Title, u"Salt Road Notes"},
          {PreviewStyle::Paragraph, u"Salt Road Notes"},
          {PreviewStyle::Paragraph, u"Chapter One: The Ferry at Dunmere"}},
         false,
         false},
        {"a long book, cut",
         "ledger-large-kf8.azw3",
         {},
         nullptr,
         {{PreviewStyle::Title, u"A Long Ledger"}},
         false,
         true},
        {"encrypted",
         "harbor-kf8.azw3",
         [](PalmBook& book) { book.SetRecord0Field16(12, 2); },
         nullptr,
         {{PreviewStyle::Title, u"The Harbor Lanterns"},
          {PreviewStyle::Authors, u"Mira Tolvane"},
          {PreviewStyle::Facts, u"2026" + Dot + u"en"},
          {PreviewStyle::Notice, u"The text of this book is encrypted"}},
         false,
         false},
        {"Arabic by its locale",
         "harbor-kf8.azw3",
         [](PalmBook& book) {
             book.SetRecord0Field32(92, 0x0401);
             book.ReplaceExthString(524, "ar");
         },
         nullptr,
         {{PreviewStyle::Title, u"The Harbor Lanterns"}},
         true,
         false},
        {"Hebrew by its locale alone",
         "harbor-kf7.mobi",
         [](PalmBook& book) { book.SetRecord0Field32(92, 0x0d); },
         nullptr,
         {},
         true,
         false},
        {"a title in two lines, with blanks around them",
         "harbor-kf7.mobi",
         [](PalmBook& book) {
             const std::string title = " \tThe Harbor\n Lanterns  ";
             if (!book.ReplaceExthString(503, title)) {
                 book.AddExthString(503, title);
             }
         },
         nullptr,
         {{PreviewStyle::Title, u"The Harbor"},
          {PreviewStyle::Title, u"Lanterns"},
          {PreviewStyle::Authors, u"Mira Tolvane"}},
         false,
         false},
        {"a publisher too long for the line, cut at a whole character",
         "harbor-kf7.mobi",
         [](PalmBook& book) {
             book.AddExthString(101, std::string(127, 'x') + "\xF0\x9F\x93\x9A tail");
         },
         nullptr,
         {{PreviewStyle::Title, u"The Harbor Lanterns"},
          {PreviewStyle::Authors, u"Mira Tolvane"},
          {PreviewStyle::Facts, Text(127, u'x') + Dot + u"2026"}},
         false,
         false},
        {"no text records",
         "harbor-kf7.mobi",
         [](PalmBook& book) { book.SetRecord0Field16(8, 0); },
         nullptr,
         {{PreviewStyle::Title, u"The Harbor Lanterns"},
          {PreviewStyle::Authors, u"Mira Tolvane"},
          {PreviewStyle::Facts, u"2026" + Dot + u"en"},
          {PreviewStyle::Notice, u"This book has no text that can be shown."}},
         false,
         false},
        {"not a book",
         "harbor-kf7.mobi",
         [](PalmBook& book) { book.Bytes.resize(100); },
         nullptr,
         {{PreviewStyle::Notice, u"This file could not be read as a Kindle book."}},
         false,
         false},
    };
    for (const PreviewCase& c : cases) {
        SCOPED_TRACE(c.Name);
        PalmBook book(TestBook(c.Book));
        if (c.Derive) {
            c.Derive(book);
        }
        RecordingStream stream(book.Bytes);
        PreviewContent content;
        ASSERT_EQ(content.Read(&stream), S_OK);
        EXPECT_EQ(ReferencesOf(stream), 1) << "the filter let the stream go";
        const PreviewPage& page = content.Page();
        SCOPED_TRACE(Shown(page));
        if (c.CoverStart == nullptr) {
            EXPECT_EQ(page.Cover, nullptr);
        } else {
            const std::string start(c.CoverStart);
            ASSERT_GE(page.CoverSize, start.size());
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(page.Cover), start.size()), start);
        }
        ASSERT_GE(page.LineCount, c.Lines.size());
        for (size_t i = 0; i < c.Lines.size(); ++i) {
            EXPECT_EQ(page.Lines[i].Style, c.Lines[i].Style) << "line " << i;
            EXPECT_EQ(LineText(page.Lines[i]).substr(0, c.Lines[i].Start.size()), c.Lines[i].Start)
                << "line " << i;
        }
        EXPECT_EQ(page.RightToLeft, c.RightToLeft);
        EXPECT_EQ(page.FaceName, nullptr);
        // Every paragraph is a line without leading or trailing blanks; the text ends with an
        // ellipsis exactly when the book had more.
        size_t textUnits = 0;
        for (size_t i = 0; i < page.LineCount; ++i) {
            const Text line = LineText(page.Lines[i]);
            ASSERT_FALSE(line.empty());
            EXPECT_NE(line.front(), u' ');
            EXPECT_NE(line.back(), u' ');
            EXPECT_EQ(line.find(u'\n'), Text::npos);
            if (page.Lines[i].Style == PreviewStyle::Paragraph) {
                textUnits += line.size() + 1;
            }
        }
        const PreviewLine& last = page.Lines[page.LineCount - 1];
        EXPECT_EQ(last.Text[last.Length - 1] == u'\u2026', c.Cut);
        EXPECT_LE(textUnits, PreviewTextBudget + 1);
        if (c.Cut) {
            EXPECT_GT(textUnits, PreviewTextBudget * 9 / 10);
        }
    }
}

struct CutCase {
    const char* Name;
    Text Input;
    size_t Budget;
    Text Kept;
};

TEST(PreviewContent, CutsTheTextAtAWholeCharacterAndAWordEnd) {
    const Text ideographs(80, u'\u98a8');
    const CutCase cases[] = {
        {"within the budget", u"short text", 10, u"short text"},
        {"inside a word", u"alpha beta gamma", 13, u"alpha beta"},
        {"at a word's end", u"alpha beta gamma", 10, u"alpha beta"},
        {"spaces before the cut", u"alpha    beta", 8, u"alpha"},
        {"across paragraphs", u"alpha\n\nbeta", 8, u"alpha"},
        {"a surrogate pair", u"ab \U0001F4DA\U0001F4DA", 5, u"ab"},
        {"a pair, no space", u"abcd\U0001F4DA", 5, u"abcd"},
        {"a combining mark",
         u"caf"
         u"e\u0301e",
         4, u"caf"},
        {"no word end near", ideographs, 50, ideographs.substr(0, 50)},
        {"a word longer than the reach", u"a " + Text(100, u'x'), 90, u"a " + Text(88, u'x')},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const size_t cut = PreviewCutLength(reinterpret_cast<const WCHAR*>(c.Input.data()),
                                            c.Input.size(), c.Budget);
        EXPECT_EQ(c.Input.substr(0, cut), c.Kept);
    }
}

// A book's text source that gives its parts as they are written, each in runs of three units,
// and counts the parts asked for; a part of `NoRun` gives no run at all.
class ScriptedText final : public TextSource {
public:
    explicit ScriptedText(std::vector<Text> parts) : Parts(std::move(parts)) {}
    bool NextPart() override {
        ++PartsAsked;
        At = 0;
        return ++Part <= Parts.size();
    }
    bool NextRun(const WCHAR** units, size_t* count) override {
        const Text& part = Parts[Part - 1];
        if (part == NoRun || At == part.size()) {
            return false;
        }
        *units = reinterpret_cast<const WCHAR*>(part.data()) + At;
        *count = std::min<size_t>(3, part.size() - At);
        At += *count;
        return true;
    }
    TextOutcome Outcome() const override { return TextOutcome::All; }
    const BookCondition& Condition() const override { return Whole; }

    static inline const Text NoRun = u"(no run)";
    int PartsAsked = 0;

private:
    std::vector<Text> Parts;
    size_t Part = 0;
    size_t At = 0;
    BookCondition Whole;
};

struct TextReadCase {
    const char* Name;
    std::vector<Text> Parts;
    size_t Budget;
    Text Expected;
    int PartsAsked; // no part beyond the one that fills the budget
};

TEST(PreviewContent, ReadsTheTextNoFurtherThanItsBudget) {
    const TextReadCase cases[] = {
        {"whole", {u"one", u"", u"two"}, 20, u"one\ntwo", 4},
        {"cut in the first part",
         {u"alpha beta gamma", u"never asked"},
         12,
         u"alpha beta\u2026",
         1},
        {"cut in a later part", {u"alpha", u"beta gamma delta"}, 14, u"alpha\nbeta\u2026", 2},
        {"the budget filled exactly", {u"alpha", u"beta"}, 5, u"alpha\u2026", 2},
        {"the budget filled, nothing after", {u"alpha"}, 5, u"alpha", 2},
    };
    for (const TextReadCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ScriptedText source(c.Parts);
        PreviewText text;
        ASSERT_EQ(ReadPreviewText(source, c.Budget, text), S_OK);
        EXPECT_EQ(Text(reinterpret_cast<const char16_t*>(text.Units.Get()), text.Length),
                  c.Expected);
        EXPECT_EQ(text.Units.Get()[text.Length], 0);
        EXPECT_EQ(text.Cut, c.Expected.back() == u'\u2026');
        EXPECT_EQ(source.PartsAsked, c.PartsAsked);
    }
}

// A preview of a book of a thousand text records opens it once and reads the records of its
// first pages alone, each once, and none of its pictures.
TEST(PreviewContent, ReadsOnlyTheTextRecordsOfTheFirstPages) {
    const PalmBook book(TestBook("ledger-large-kf8.azw3"));
    const auto [first, count] = book.TextRecords();
    RecordingStream stream(book.Bytes);
    PreviewContent content;
    ASSERT_EQ(content.Read(&stream), S_OK);
    ASSERT_GT(content.Page().LineCount, 4u);
    // One opening of the book: its header and record table read once, record 0 once.
    EXPECT_EQ(stream.ReadsAt(0), 1u);
    EXPECT_EQ(stream.ReadsAt(book.RecordOffset(0)), 1u);
    size_t textRecordsRead = 0;
    for (size_t record = first; record < first + count; ++record) {
        EXPECT_LE(stream.ReadsAt(book.RecordOffset(record)), 1u) << "record " << record;
        textRecordsRead += stream.ReadsAt(book.RecordOffset(record));
    }
    EXPECT_GE(textRecordsRead, 1u);
    EXPECT_LE(textRecordsRead, 16u) << "of " << count;
    uint64_t bytesRead = 0;
    for (const RecordingStream::Call& call : stream.Calls) {
        bytesRead += call.Method == "Read" ? call.Count : 0;
    }
    EXPECT_LT(bytesRead, book.Bytes.size() / 20);
}

TEST(PreviewContent, APartThatGivesNoRunAddsNothing) {
    ScriptedText source({u"first", ScriptedText::NoRun});
    PreviewText text;
    ASSERT_EQ(ReadPreviewText(source, 100, text), S_OK);
    EXPECT_EQ(Text(reinterpret_cast<const char16_t*>(text.Units.Get()), text.Length), u"first");
}

TEST(PreviewContent, LaysOutRightToLeftLanguagesOnly) {
    const std::map<LCID, bool> locales = {
        {0x0401, true},  {0x0c01, true},  {0x040d, true},  {0x0d, true},    {0x0429, true},
        {0x0420, true},  {0x0463, true},  {0x0480, true},  {0x0409, false}, {0x0411, false},
        {0x040c, false}, {0x0419, false}, {0x0459, false}, {0, false},
    };
    for (const auto& [locale, rightToLeft] : locales) {
        EXPECT_EQ(IsRightToLeftLocale(locale), rightToLeft) << std::hex << locale;
    }
}

// A face's glyphs as the tests say: each face has the characters listed for it.
std::map<Text, Text>* Glyphs = nullptr;

HRESULT FindListedGlyphs(const WCHAR* face, const WCHAR* sample, size_t length, bool* present) {
    const auto found = Glyphs->find(reinterpret_cast<const char16_t*>(face));
    for (size_t i = 0; i < length; ++i) {
        present[i] = found != Glyphs->end() &&
                     found->second.find(static_cast<char16_t>(sample[i])) != Text::npos;
    }
    return S_OK;
}

HRESULT FindNothing(const WCHAR*, const WCHAR*, size_t, bool*) {
    return E_NOTIMPL;
}

struct FaceCase {
    const char* Name;
    LCID Locale;
    std::map<Text, Text> Faces;
    Text Chosen;    // empty: none
    bool Marked[3]; // the Latin line, the Japanese line, the mixed line
};

TEST(PreviewContent, DrawsTheLinesThePanesFaceLacksWithAFaceThatHasThem) {
    const Text latin = u"Kaze 2023";
    const Text japanese = u"\u98a8\u306e";
    const Text mixed = u"\u98a8 2023";
    const Text all = latin + japanese;
    const FaceCase cases[] = {
        {"the pane's face has them", 0x0411, {{u"Pane", all}}, u"", {false, false, false}},
        {"Japanese: its own faces first",
         0x0411,
         {{u"Pane", latin}, {u"Microsoft YaHei UI", all}, {u"MS UI Gothic", all}},
         u"MS UI Gothic",
         {false, true, true}},
        {"Chinese: its own faces first",
         0x0804,
         {{u"Pane", latin}, {u"Yu Gothic UI", all}, {u"Microsoft YaHei UI", all}},
         u"Microsoft YaHei UI",
         {false, true, true}},
        {"no language: the first that has them",
         0,
         {{u"Pane", latin}, {u"Malgun Gothic", all}, {u"Meiryo UI", japanese}},
         u"Meiryo UI",
         {false, true, true}},
        {"none has them all: the one with most",
         0x0409,
         {{u"Pane", latin}, {u"Segoe UI", u"\u98a8"}, {u"Nirmala UI", u"K"}},
         u"Segoe UI",
         {false, true, true}},
        {"one character the pane lacks",
         0x0409,
         {{u"Pane", u"Kaze03\u98a8\u306e"}, {u"Segoe UI", all}},
         u"Segoe UI",
         {true, false, true}},
        {"no face has any of them", 0x0409, {{u"Pane", latin}}, u"", {false, false, false}},
    };
    for (const FaceCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::map<Text, Text> faces = c.Faces;
        Glyphs = &faces;
        PreviewLine lines[3] = {
            {PreviewStyle::Title, reinterpret_cast<const WCHAR*>(latin.data()), latin.size(), true},
            {PreviewStyle::Paragraph, reinterpret_cast<const WCHAR*>(japanese.data()),
             japanese.size(), false},
            {PreviewStyle::Facts, reinterpret_cast<const WCHAR*>(mixed.data()), mixed.size(),
             false},
        };
        const WCHAR* chosen = ChoosePreviewFaces(
            lines, 3, c.Locale, reinterpret_cast<const WCHAR*>(u"Pane"), FindListedGlyphs);
        EXPECT_EQ(chosen == nullptr ? Text() : Text(reinterpret_cast<const char16_t*>(chosen)),
                  c.Chosen);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(lines[i].OtherFace, c.Marked[i]) << "line " << i;
        }
        Glyphs = nullptr;
    }
    PreviewLine line = {PreviewStyle::Title, reinterpret_cast<const WCHAR*>(u"x"), 1, true};
    EXPECT_EQ(
        ChoosePreviewFaces(&line, 1, 0x0411, reinterpret_cast<const WCHAR*>(u"Pane"), FindNothing),
        nullptr)
        << "without fonts every line keeps the pane's face";
    EXPECT_FALSE(line.OtherFace);
}

TEST(PreviewContent, SamplesEachShownCharacterOnce) {
    const Text title = u"A\u00a0b\u98a8 A\u200d";
    const Text text = u"b\t\u98a8\U0001F4DAc";
    const PreviewLine lines[] = {
        {PreviewStyle::Title, reinterpret_cast<const WCHAR*>(title.data()), title.size(), false},
        {PreviewStyle::Paragraph, reinterpret_cast<const WCHAR*>(text.data()), text.size(), false},
    };
    WCHAR sample[MaxFaceSample];
    const size_t length = FaceSample(lines, 2, sample);
    EXPECT_EQ(Text(reinterpret_cast<const char16_t*>(sample), length), u"Ab\u98a8c");
}

} // namespace
