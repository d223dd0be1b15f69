// SPDX-License-Identifier: LGPL-3.0-or-later
/* A stand-in for libmobi, for a mingw-w64 build that has no Windows libmobi (no LIBMOBI_ROOT).
 * Never shipped: the DLL linked with it is named quillsift-libmobi-standin.dll and parses no
 * book. It defines the functions the filter calls, so that the DLL links and its import table
 * and exports can be checked. Its load reads the Palm database (header, record table, every
 * record) through fread, fseek and ftell on the FILE it is given, in libmobi's order, from a
 * static archive of its own as a Windows libmobi.a would: linked with the stream adapter, it
 * shows under Wine that the wrapping serves those calls from a stream in a PE program too.
 * The metadata, the locale, EXTH, the Mobipocket test, the cover and the markup are absent. */
#include <mobi.h>

#include <stdlib.h>
#include <string.h>

#define PALM_HEADER_LENGTH 78
#define RECORD_ENTRY_LENGTH 8

static uint32_t Read32(const unsigned char* at) {
    return ((uint32_t)at[0] << 24) | ((uint32_t)at[1] << 16) | ((uint32_t)at[2] << 8) | at[3];
}

MOBIData* mobi_init(void) {
    MOBIData* book = calloc(1, sizeof(MOBIData));
    if (book != NULL) {
        book->use_kf8 = true;
        book->kf8_boundary_offset = MOBI_NOTSET;
    }
    return book;
}

void mobi_free(MOBIData* book) {
    if (book == NULL) {
        return;
    }
    while (book->rec != NULL) {
        MOBIPdbRecord* next = book->rec->next;
        free(book->rec->data);
        free(book->rec);
        book->rec = next;
    }
    free(book->ph);
    free(book);
}

static MOBI_RET LoadRecordTable(MOBIData* book, FILE* file) {
    MOBIPdbRecord** tail = &book->rec;
    for (uint16_t i = 0; i < book->ph->rec_count; ++i) {
        unsigned char entry[RECORD_ENTRY_LENGTH];
        if (fread(entry, 1, RECORD_ENTRY_LENGTH, file) != RECORD_ENTRY_LENGTH) {
            return MOBI_DATA_CORRUPT;
        }
        MOBIPdbRecord* record = calloc(1, sizeof(MOBIPdbRecord));
        if (record == NULL) {
            return MOBI_MALLOC_FAILED;
        }
        record->offset = Read32(entry);
        record->attributes = entry[4];
        record->uid = Read32(entry + 4) & 0xFFFFFF;
        *tail = record;
        tail = &record->next;
    }
    return MOBI_SUCCESS;
}

static MOBI_RET LoadRecords(MOBIData* book, FILE* file) {
    for (MOBIPdbRecord* record = book->rec; record != NULL; record = record->next) {
        if (record->next != NULL) {
            record->size = (uint32_t)(record->next->offset - record->offset);
        } else {
            fseek(file, 0, SEEK_END);
            const long length = ftell(file) - (long)record->offset;
            if (length <= 0) {
                return MOBI_DATA_CORRUPT;
            }
            record->size = (size_t)length;
        }
        if (fseek(file, (long)record->offset, SEEK_SET) != 0) {
            return MOBI_DATA_CORRUPT;
        }
        record->data = malloc(record->size > 0 ? record->size : 1);
        if (record->data == NULL) {
            return MOBI_MALLOC_FAILED;
        }
        if (fread(record->data, 1, record->size, file) < record->size) {
            return MOBI_DATA_CORRUPT;
        }
    }
    return MOBI_SUCCESS;
}

MOBI_RET mobi_load_file(MOBIData* book, FILE* file) {
    if (book == NULL) {
        return MOBI_INIT_FAILED;
    }
    if (file == NULL) {
        return MOBI_FILE_NOT_FOUND;
    }
    unsigned char header[PALM_HEADER_LENGTH];
    if (fread(header, 1, PALM_HEADER_LENGTH, file) != PALM_HEADER_LENGTH) {
        return MOBI_DATA_CORRUPT;
    }
    book->ph = calloc(1, sizeof(MOBIPdbHeader));
    if (book->ph == NULL) {
        return MOBI_MALLOC_FAILED;
    }
    memcpy(book->ph->name, header, 32);
    memcpy(book->ph->type, header + 60, 4);
    memcpy(book->ph->creator, header + 64, 4);
    book->ph->rec_count = (uint16_t)((header[76] << 8) | header[77]);
    if (strcmp(book->ph->type, "BOOK") != 0 && strcmp(book->ph->type, "TEXt") != 0) {
        return MOBI_FILE_UNSUPPORTED;
    }
    if (book->ph->rec_count == 0) {
        return MOBI_DATA_CORRUPT;
    }
    const MOBI_RET listed = LoadRecordTable(book, file);
    return listed != MOBI_SUCCESS ? listed : LoadRecords(book, file);
}

/* Every metadata getter finds nothing. */
#define ABSENT_METADATA(getter)                                                                    \
    char* getter(const MOBIData* book) {                                                           \
        (void)book;                                                                                \
        return NULL;                                                                               \
    }
ABSENT_METADATA(mobi_meta_get_title)
ABSENT_METADATA(mobi_meta_get_author)
ABSENT_METADATA(mobi_meta_get_publisher)
ABSENT_METADATA(mobi_meta_get_subject)
ABSENT_METADATA(mobi_meta_get_description)
ABSENT_METADATA(mobi_meta_get_publishdate)
ABSENT_METADATA(mobi_meta_get_language)

/* No EXTH record and no full name: the book's metadata is its database name alone. */
MOBIExthHeader* mobi_next_exthrecord_by_tag(const MOBIData* book, const MOBIExthTag tag,
                                            MOBIExthHeader** start) {
    (void)book;
    (void)tag;
    *start = NULL;
    return NULL;
}

char* mobi_decode_exthstring(const MOBIData* book, const unsigned char* data, const size_t size) {
    (void)book;
    (void)data;
    (void)size;
    return NULL;
}

MOBI_RET mobi_get_fullname(const MOBIData* book, char* fullname, const size_t len) {
    (void)book;
    (void)fullname;
    (void)len;
    return MOBI_DATA_CORRUPT;
}

const char* mobi_get_locale_string(const uint32_t locale_number) {
    (void)locale_number;
    return NULL;
}

size_t mobi_get_locale_number(const char* locale_string) {
    (void)locale_string;
    return 0;
}

/* Every test of the headers finds nothing: the stand-in parses none. */
#define ABSENT_HEADER_TEST(test)                                                                   \
    bool test(const MOBIData* book) {                                                              \
        (void)book;                                                                                \
        return false;                                                                              \
    }
ABSENT_HEADER_TEST(mobi_is_mobipocket)

MOBIRawml* mobi_init_rawml(const MOBIData* book) {
    (void)book;
    return NULL;
}

MOBI_RET mobi_parse_rawml_opt(MOBIRawml* markup, const MOBIData* book, bool parse_toc,
                              bool parse_dict, bool reconstruct) {
    (void)markup;
    (void)book;
    (void)parse_toc;
    (void)parse_dict;
    (void)reconstruct;
    return MOBI_INIT_FAILED;
}

void mobi_free_rawml(MOBIRawml* markup) {
    free(markup);
}

/* The cover's lookup: no header, so no first resource and no EXTH record; the records are
 * there. */
size_t mobi_get_first_resource_record(const MOBIData* book) {
    (void)book;
    return MOBI_NOTSET;
}

MOBIExthHeader* mobi_get_exthrecord_by_tag(const MOBIData* book, const MOBIExthTag tag) {
    (void)book;
    (void)tag;
    return NULL;
}

uint32_t mobi_decode_exthvalue(const unsigned char* data, const size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size && i < 4; ++i) {
        value = (value << 8) | data[i];
    }
    return value;
}

MOBIPdbRecord* mobi_get_record_by_seqnumber(const MOBIData* book, const size_t number) {
    MOBIPdbRecord* record = book != NULL ? book->rec : NULL;
    for (size_t i = 0; record != NULL && i < number; ++i) {
        record = record->next;
    }
    return record;
}

/* libmobi's per-record decompressors, global in its static library though mobi.h does not
 * declare them: the module wraps both (cmake/LibmobiDecompression.cmake). The stand-in has no
 * text to decompress. */
MOBI_RET mobi_decompress_lz77(unsigned char* out, const unsigned char* in, size_t* len_out,
                              const size_t len_in);
MOBI_RET mobi_decompress_lz77(unsigned char* out, const unsigned char* in, size_t* len_out,
                              const size_t len_in) {
    (void)out;
    (void)in;
    (void)len_in;
    *len_out = 0;
    return MOBI_DATA_CORRUPT;
}

MOBI_RET mobi_decompress_huffman(unsigned char* out, const unsigned char* in, size_t* len_out,
                                 size_t len_in, const void* huffcdic);
MOBI_RET mobi_decompress_huffman(unsigned char* out, const unsigned char* in, size_t* len_out,
                                 size_t len_in, const void* huffcdic) {
    (void)out;
    (void)in;
    (void)len_in;
    (void)huffcdic;
    *len_out = 0;
    return MOBI_DATA_CORRUPT;
}

/* What the text read part by part asks of the book's headers: the stand-in has none, so the
 * book has no text records and no index. */
size_t mobi_get_kf8offset(const MOBIData* book) {
    (void)book;
    return 0;
}

ABSENT_HEADER_TEST(mobi_exists_fdst)
ABSENT_HEADER_TEST(mobi_exists_skel_indx)
ABSENT_HEADER_TEST(mobi_exists_frag_indx)
ABSENT_HEADER_TEST(mobi_is_encrypted)
ABSENT_HEADER_TEST(mobi_exists_mobiheader)

size_t mobi_get_fdst_record_number(const MOBIData* book) {
    (void)book;
    return MOBI_NOTSET;
}

size_t mobi_get_text_maxsize(const MOBIData* book) {
    (void)book;
    return MOBI_NOTSET;
}

uint16_t mobi_get_textrecord_maxsize(const MOBIData* book) {
    (void)book;
    return 4096;
}

size_t mobi_get_fileversion(const MOBIData* book) {
    (void)book;
    return MOBI_NOTSET;
}

size_t mobi_get_record_extrasize(const MOBIPdbRecord* record, const uint16_t flags) {
    (void)record;
    (void)flags;
    return MOBI_NOTSET;
}

/* libmobi's functions that mobi.h does not declare and the text read part by part calls
 * (book/text/LibmobiInternals.h, checked in a real libmobi by cmake/LibmobiInternals.cmake).
 * None is reached without a header; each fails or finds nothing. */
void* mobi_init_huffcdic(void);
void* mobi_init_huffcdic(void) {
    return NULL;
}

void mobi_free_huffcdic(void* huffcdic);
void mobi_free_huffcdic(void* huffcdic) {
    free(huffcdic);
}

MOBI_RET mobi_parse_huffdic(const MOBIData* book, void* huffcdic);
MOBI_RET mobi_parse_huffdic(const MOBIData* book, void* huffcdic) {
    (void)book;
    (void)huffcdic;
    return MOBI_DATA_CORRUPT;
}

MOBI_RET mobi_buffer_decrypt(unsigned char* out, const unsigned char* in, const size_t length,
                             const MOBIData* book);
MOBI_RET mobi_buffer_decrypt(unsigned char* out, const unsigned char* in, const size_t length,
                             const MOBIData* book) {
    (void)out;
    (void)in;
    (void)length;
    (void)book;
    return MOBI_INIT_FAILED;
}

bool mobi_has_drmkey(const MOBIData* book);
ABSENT_HEADER_TEST(mobi_has_drmkey)

void mobi_remove_zeros(unsigned char* buffer, size_t* length);
void mobi_remove_zeros(unsigned char* buffer, size_t* length) {
    (void)buffer;
    (void)length;
}

bool mobi_is_cp1252(const MOBIData* book);
ABSENT_HEADER_TEST(mobi_is_cp1252)

MOBI_RET mobi_cp1252_to_utf8(char* output, const char* input, size_t* outsize, const size_t insize);
MOBI_RET mobi_cp1252_to_utf8(char* output, const char* input, size_t* outsize,
                             const size_t insize) {
    (void)input;
    (void)insize;
    if (*outsize > 0) {
        output[0] = 0;
    }
    *outsize = 0;
    return MOBI_SUCCESS;
}

MOBIIndx* mobi_init_indx(void);
MOBIIndx* mobi_init_indx(void) {
    return calloc(1, sizeof(MOBIIndx));
}

void mobi_free_indx(MOBIIndx* index);
void mobi_free_indx(MOBIIndx* index) {
    free(index);
}

MOBI_RET mobi_parse_index(const MOBIData* book, MOBIIndx* index, const size_t record);
MOBI_RET mobi_parse_index(const MOBIData* book, MOBIIndx* index, const size_t record) {
    (void)book;
    (void)record;
    free(index); /* as libmobi's, on failure */
    return MOBI_DATA_CORRUPT;
}

MOBI_RET mobi_get_indxentry_tagvalue(uint32_t* value, const MOBIIndexEntry* entry,
                                     const unsigned tag[]);
MOBI_RET mobi_get_indxentry_tagvalue(uint32_t* value, const MOBIIndexEntry* entry,
                                     const unsigned tag[]) {
    (void)value;
    (void)entry;
    (void)tag;
    return MOBI_DATA_CORRUPT;
}

MOBI_RET mobi_parse_fdst(const MOBIData* book, MOBIRawml* markup);
MOBI_RET mobi_parse_fdst(const MOBIData* book, MOBIRawml* markup) {
    (void)book;
    (void)markup;
    return MOBI_DATA_CORRUPT;
}
