// SPDX-License-Identifier: LGPL-3.0-or-later
// What quillsift-dump is measured against as a whole process: libmobi alone loading a book
// from its file and parsing its markup as the filter asks it to (without the rebuild for
// export), with nothing of the filter.
#include <mobi.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: libmobi-load BOOK\n");
        return 2;
    }
    MOBIData* book = mobi_init();
    if (book == nullptr || mobi_load_filename(book, argv[1]) != MOBI_SUCCESS) {
        std::fprintf(stderr, "libmobi-load: %s does not load\n", argv[1]);
        mobi_free(book);
        return 1;
    }
    MOBIRawml* markup = mobi_init_rawml(book);
    const bool parsed =
        markup != nullptr && mobi_parse_rawml_opt(markup, book, true, true, false) == MOBI_SUCCESS;
    mobi_free_rawml(markup);
    mobi_free(book);
    return parsed ? 0 : 1;
}
