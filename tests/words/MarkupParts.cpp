// SPDX-License-Identifier: LGPL-3.0-or-later
// markup_parts BOOK DIR: writes the HTML parts of a book, as libmobi rebuilds them for the
// filter, to DIR/part00000.html, DIR/part00001.html... in the order of the part list, one file
// per part that the filter converts (HTML with data). The word test reads them.
#include "tests/support/BookHtmlParts.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: markup_parts BOOK DIR\n");
        return 2;
    }
    const std::vector<HtmlPart> parts = BookHtmlParts(argv[1]);
    if (parts.empty()) {
        std::fprintf(stderr, "markup_parts: %s does not load, or has no HTML part\n", argv[1]);
        return 1;
    }
    int written = 0;
    for (const HtmlPart& part : parts) {
        char name[32];
        std::snprintf(name, sizeof name, "/part%05d.html", written++);
        std::FILE* file = std::fopen((std::string(argv[2]) + name).c_str(), "wb");
        if (file == nullptr || std::fwrite(part.data(), 1, part.size(), file) != part.size() ||
            std::fclose(file) != 0) {
            std::fprintf(stderr, "markup_parts: cannot write %s%s\n", argv[2], name);
            return 1;
        }
    }
    return 0;
}
