// SPDX-License-Identifier: LGPL-3.0-or-later
// Feeds arbitrary bytes to MarkupToText, each input in a heap block of exactly its size, and
// checks every result against properties that hold for all parts and against a plain
// reference conversion written with the C++ library's string searches; then converts the same
// part in pieces, as the text read part by part does, which must give the same text.
#include "book/markup/MarkupToText.h"

#include "platform/UniqueAny.h"
#include "tests/support/MarkupInPieces.h"

#include <vector>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

size_t Length(const WCHAR* text) {
    size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

std::u16string ToUtf16(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    std::u16string out(text.size(), u'\0');
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          &out[0], static_cast<int>(out.size()));
    Check(units > 0, "reference conversion to UTF-16");
    out.resize(static_cast<size_t>(units));
    return out;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// The element name a tag's content gives, lower case, or empty: after at most one '/', an
// ASCII letter then letters and digits, up to the end or a space, tab, CR, LF, form feed or '/'.
std::string TagName(const std::string& content) {
    const size_t start = content.compare(0, 1, "/") == 0 ? 1 : 0;
    const size_t stop = content.find_first_not_of(
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", start);
    const size_t nameEnd = stop == std::string::npos ? content.size() : stop;
    if (nameEnd == start || !std::isalpha(static_cast<unsigned char>(content[start])) ||
        (nameEnd < content.size() &&
         std::string(" \t\r\n\f/").find(content[nameEnd]) == std::string::npos)) {
        return {};
    }
    return Lower(content.substr(start, nameEnd - start));
}

bool IsBlockElement(const std::string& name) {
    static const std::set<std::string> names = {
        "address", "article", "aside",    "blockquote", "body",       "br",     "caption",
        "center",  "col",     "colgroup", "dd",         "details",    "dialog", "dir",
        "div",     "dl",      "dt",       "fieldset",   "figcaption", "figure", "footer",
        "form",    "frame",   "frameset", "h1",         "h2",         "h3",     "h4",
        "h5",      "h6",      "head",     "header",     "hgroup",     "hr",     "html",
        "legend",  "li",      "main",     "menu",       "nav",        "ol",     "optgroup",
        "option",  "p",       "pre",      "section",    "summary",    "table",  "tbody",
        "td",      "tfoot",   "th",       "thead",      "title",      "tr",     "ul"};
    return names.count(name) != 0;
}

bool IsWordByte(char c) {
    return c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != 0;
}

// Where a search from `from` finds `c`, as in a zero-terminated string: before the next zero
// byte or the part's end, or npos. (The zero byte is looked for only up to `c`: long parts with
// no zero byte stay quick to fuzz.)
size_t FindBeforeZero(const std::string& part, char c, size_t from) {
    const size_t found = part.find(c, from);
    if (found == std::string::npos) {
        return found;
    }
    const auto end = part.begin() + static_cast<std::ptrdiff_t>(found);
    return std::find(part.begin() + static_cast<std::ptrdiff_t>(from), end, '\0') == end
               ? found
               : std::string::npos;
}

// The conversion done the slow, obvious way: every search stops at the next zero byte or at the
// part's end, and no search is bounded. A tag's content of 256 bytes or more is looked through
// for a '<'. Returns the UTF-8 text with its final line feed.
std::string ReferenceText(const uint8_t* data, size_t size) {
    const std::string part(reinterpret_cast<const char*>(data), size);
    const size_t body = Lower(part.substr(0, part.find('\0'))).find("<body");
    size_t read = body == std::string::npos ? 0 : body;
    const auto at = [&part](size_t i) { return part.begin() + static_cast<std::ptrdiff_t>(i); };
    std::string text;
    int run = 0;
    bool separator = false;
    const auto lineBreak = [&] {
        separator = false;
        if (++run <= 2) {
            text += '\n';
        }
    };
    const auto write = [&](char c) {
        if (separator && !text.empty() && IsWordByte(text.back()) && IsWordByte(c)) {
            text += '\n';
        }
        separator = false;
        text += c;
    };
    while (read < size) {
        const char c = part[read];
        if (c == '<') {
            const size_t close = FindBeforeZero(part, '>', read + 1);
            const size_t length = close - (read + 1);
            if (close != std::string::npos &&
                (length <= 255 ||
                 (length <= 65535 && std::find(at(read + 1), at(close), '<') == at(close)))) {
                const std::string content = part.substr(read + 1, close - (read + 1));
                const std::string lower = Lower(content);
                bool breaks = lower == "p" || lower == "br" || lower == "hr" || lower == "br/";
                if (content.size() >= 2) {
                    breaks = breaks || (lower[0] == 'h' && content[1] >= '1' && content[1] <= '5');
                    breaks = breaks || (lower[0] == 'p' && content[1] == ' ');
                }
                if (breaks) {
                    lineBreak();
                } else if (IsBlockElement(TagName(content))) {
                    separator = true;
                }
                read = close + 1;
                continue;
            }
        } else if (c == '&') {
            const size_t semicolon = FindBeforeZero(part, ';', read + 1);
            if (semicolon != std::string::npos && semicolon - (read + 1) <= 9) {
                const std::string name = part.substr(read + 1, semicolon - (read + 1));
                const std::string suffixes[] = {"acute", "uml",   "circ", "grave",
                                                "slash", "tilde", "cedil"};
                const std::string names[] = {"amp", "lt", "gt", "nbsp", "quot"};
                bool done = false;
                for (const std::string& suffix : suffixes) {
                    if (!done && !name.empty() && name.compare(1, std::string::npos, suffix) == 0) {
                        write(name[0]);
                        done = true;
                    }
                }
                for (int i = 0; i < 5 && !done; ++i) {
                    if (name == names[i]) {
                        write("&<> \""[i]);
                        done = true;
                    }
                }
                read = semicolon + 1;
                continue;
            }
        } else if (c == '\r') {
            ++read;
            continue;
        } else if (c == '\n') {
            lineBreak();
            ++read;
            continue;
        }
        write(c);
        run = 0;
        ++read;
    }
    if (text.size() + 2 <= size) {
        text += '\n';
    }
    return text;
}

bool IsPlainText(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '<' || data[i] == '&' || data[i] == '\r' || data[i] == '\n') {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) {
        return 0;
    }
    // Exactly the part's size: any read or write past it is an AddressSanitizer report.
    std::unique_ptr<char[]> part(new char[size]);
    if (size > 0) {
        std::memcpy(part.get(), data, size);
    }
    const CoTaskMemPtr<WCHAR> result(MarkupToText(part.get(), static_cast<ULONG>(size)));

    const bool nullExpected = size == 0 || data[0] == 0;
    Check(static_cast<bool>(result) != nullExpected,
          "null exactly when the part is empty or starts with a zero byte");
    if (nullExpected) {
        Check(size == 0 || std::memcmp(part.get(), data, size) == 0, "a refused part is untouched");
        return 0;
    }
    Check(Length(result.Get()) <= size, "the text is no longer than the part");

    // The visible text first, then the whole text (units after an embedded zero included)
    // and the terminator right after it.
    const std::u16string expected = ToUtf16(ReferenceText(data, size));
    const std::u16string visible(result.Get());
    Check(visible == expected.substr(0, expected.find(u'\0')),
          "the text up to its terminator equals the reference conversion");
    Check(std::memcmp(result.Get(), expected.data(), expected.size() * sizeof(WCHAR)) == 0,
          "the text equals the reference conversion");
    Check(result.Get()[expected.size()] == 0, "the terminator follows the text");

    // Cut where the input's own bytes say, so that the fuzzer steers the cuts too: after each
    // byte whose value is a multiple of 7, and far into long parts.
    std::vector<size_t> cuts;
    for (size_t i = 1; i < size; ++i) {
        if (data[i - 1] % 7 == 0 || i % 4099 == 0) {
            cuts.push_back(i);
        }
    }
    const std::string whole(reinterpret_cast<const char*>(data), size);
    Check(ConvertInPieces(whole, cuts) == visible, "the part in pieces gives the same text");
    Check(ConvertInPieces(whole, {}) == visible, "the part in one piece gives the same text");

    if (IsPlainText(data, size)) {
        // Nothing to remove: the text is the part, with no room left for a final line feed.
        const std::u16string same = ToUtf16(std::string(reinterpret_cast<const char*>(data), size));
        Check(std::memcmp(result.Get(), same.data(), same.size() * sizeof(WCHAR)) == 0 &&
                  result.Get()[same.size()] == 0,
              "plain text comes back unchanged");
    }
    return 0;
}
