// SPDX-License-Identifier: LGPL-3.0-or-later
// markup_parts BOOK DIR: writes the HTML parts of a book, as libmobi rebuilds them for the
// filter, to DIR/part00000.html, DIR/part00001.html... in the order of the part list, one file
// per part that the filter converts (HTML with data). The word test reads them.
#include "book/LoadBookFromStream.h"
#include "book/MobiHolders.h"
#include "tests/support/RecordingStream.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: markup_parts BOOK DIR\n");
        return 2;
    }
    RecordingStream stream(ReadFileBytes(argv[1]));
    MobiBook book(mobi_init());
    if (!book || LoadBookFromStream(book.Get(), &stream) != MOBI_SUCCESS) {
        std::fprintf(stderr, "markup_parts: %s does not load\n", argv[1]);
        return 1;
    }
    // The parse the filter asks for: no reconstruction for export.
    MobiMarkup markup(mobi_init_rawml(book.Get()));
    if (!markup ||
        mobi_parse_rawml_opt(markup.Get(), book.Get(), true, true, false) != MOBI_SUCCESS) {
        std::fprintf(stderr, "markup_parts: %s does not parse\n", argv[1]);
        return 1;
    }
    int written = 0;
    for (const MOBIPart* part = markup->markup; part != nullptr; part = part->next) {
        if (part->type != T_HTML || part->data == nullptr) {
            continue;
        }
        char name[32];
        std::snprintf(name, sizeof name, "/part%05d.html", written++);
        std::FILE* file = std::fopen((std::string(argv[2]) + name).c_str(), "wb");
        if (file == nullptr || std::fwrite(part->data, 1, part->size, file) != part->size ||
            std::fclose(file) != 0) {
            std::fprintf(stderr, "markup_parts: cannot write %s%s\n", argv[2], name);
            return 1;
        }
    }
    return 0;
}
