// Feeds arbitrary bytes to MarkupToText, each input in a heap block of exactly its size, and
// checks every result against properties that hold for all parts and against a plain
// reference conversion built from the zero-terminated string services.
#include "book/MarkupToText.h"

#include "platform/UniqueAny.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
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

// The conversion done the slow, obvious way: every search runs on a zero-terminated copy of the
// part with the string services, so it stops at the first zero byte or at the part's end, and
// no search is bounded. Returns the UTF-8 text with its final line feed.
std::string ReferenceText(const uint8_t* data, size_t size) {
    const std::string copy(reinterpret_cast<const char*>(data), size);
    const char* begin = copy.c_str();
    const char* end = begin + size;
    const char* read = StrStrIA(begin, "<body");
    if (read == nullptr) {
        read = begin;
    }
    std::string text;
    int run = 0;
    const auto lineBreak = [&] {
        if (++run <= 2) {
            text += '\n';
        }
    };
    while (read < end) {
        const char c = *read;
        if (c == '<') {
            const char* close = StrStrA(read + 1, ">");
            if (close != nullptr && close - (read + 1) <= 255) {
                const std::string content(read + 1, close);
                bool breaks = false;
                for (const char* tag : {"p", "br", "hr", "br/"}) {
                    breaks = breaks || lstrcmpiA(content.c_str(), tag) == 0;
                }
                if (content.size() >= 2) {
                    breaks = breaks || ((content[0] == 'h' || content[0] == 'H') &&
                                        content[1] >= '1' && content[1] <= '5');
                    breaks =
                        breaks || ((content[0] == 'p' || content[0] == 'P') && content[1] == ' ');
                }
                if (breaks) {
                    lineBreak();
                }
                read = close + 1;
                continue;
            }
        } else if (c == '&') {
            const char* semicolon = StrStrA(read + 1, ";");
            if (semicolon != nullptr && semicolon - (read + 1) <= 9) {
                const std::string name(read + 1, semicolon);
                bool done = false;
                if (!name.empty()) {
                    for (const char* suffix :
                         {"acute", "uml", "circ", "grave", "slash", "tilde", "cedil"}) {
                        if (!done && lstrcmpA(name.c_str() + 1, suffix) == 0) {
                            text += name[0];
                            done = true;
                        }
                    }
                }
                const char* names[] = {"amp", "lt", "gt", "nbsp", "quot"};
                for (int i = 0; i < 5 && !done; ++i) {
                    if (lstrcmpA(name.c_str(), names[i]) == 0) {
                        text += "&<> \""[i];
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
        text += c;
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

    if (IsPlainText(data, size)) {
        // Nothing to remove: the text is the part, with no room left for a final line feed.
        const std::u16string same = ToUtf16(std::string(reinterpret_cast<const char*>(data), size));
        Check(std::memcmp(result.Get(), same.data(), same.size() * sizeof(WCHAR)) == 0 &&
                  result.Get()[same.size()] == 0,
              "plain text comes back unchanged");
    }
    return 0;
}
