// SPDX-License-Identifier: LGPL-3.0-or-later
// Property and chunk descriptions of the Windows API (propidl.h, filter.h), for the native build.
#pragma once

#include "platform/native/WinTypes.h"

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_UI4 = 19,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
    VT_FILETIME = 64,
    VT_BLOB = 65,
    VT_CLSID = 72,
    VT_VECTOR = 0x1000,
};

typedef struct tagBLOB {
    ULONG cbSize;
    BYTE* pBlobData;
} BLOB;

// The same size and layout as the SDK's PROPVARIANT on 64-bit targets: an 8-byte header,
// then a 16-byte union.
// A counted vector of strings (VT_VECTOR | VT_LPWSTR): each string and the array in the task
// allocator.
typedef struct tagCALPWSTR {
    ULONG cElems;
    LPWSTR* pElems;
} CALPWSTR;

typedef struct tagPROPVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONG lVal;
        ULONG ulVal;
        LONGLONG hVal;
        ULONGLONG uhVal;
        FILETIME filetime;
        CLSID* puuid;
        LPSTR pszVal;
        LPWSTR pwszVal;
        BLOB blob;
        CALPWSTR calpwstr;
    };
} PROPVARIANT;
typedef PROPVARIANT* LPPROPVARIANT;
// The C++ form of the SDK: a reference.
typedef const PROPVARIANT& REFPROPVARIANT;

inline void PropVariantInit(PROPVARIANT* pv) {
    std::memset(pv, 0, sizeof(*pv));
}

typedef struct _tagpropertykey {
    GUID fmtid;
    DWORD pid;
} PROPERTYKEY;
typedef const PROPERTYKEY& REFPROPERTYKEY;

inline bool IsEqualPropertyKey(const PROPERTYKEY& a, const PROPERTYKEY& b) {
    return a.pid == b.pid && IsEqualGUID(a.fmtid, b.fmtid);
}

#ifdef INITGUID
#define DEFINE_PROPERTYKEY(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8, pid)                   \
    extern "C" const PROPERTYKEY name = {{l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}, pid}
#else
#define DEFINE_PROPERTYKEY(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8, pid)                   \
    extern "C" const PROPERTYKEY name
#endif

#define PRSPEC_LPWSTR 0
#define PRSPEC_PROPID 1

typedef struct tagPROPSPEC {
    ULONG ulKind;
    union {
        PROPID propid;
        LPOLESTR lpwstr;
    };
} PROPSPEC;

typedef struct tagFULLPROPSPEC {
    GUID guidPropSet;
    PROPSPEC psProperty;
} FULLPROPSPEC;

typedef enum tagCHUNK_BREAKTYPE {
    CHUNK_NO_BREAK = 0,
    CHUNK_EOW = 1,
    CHUNK_EOS = 2,
    CHUNK_EOP = 3,
    CHUNK_EOC = 4
} CHUNK_BREAKTYPE;

typedef enum tagCHUNKSTATE {
    CHUNK_TEXT = 0x1,
    CHUNK_VALUE = 0x2,
    CHUNK_FILTER_OWNED_VALUE = 0x4
} CHUNKSTATE;

typedef struct tagSTAT_CHUNK {
    ULONG idChunk;
    CHUNK_BREAKTYPE breakType;
    CHUNKSTATE flags;
    LCID locale;
    FULLPROPSPEC attribute;
    ULONG idChunkSource;
    ULONG cwcStartSource;
    ULONG cwcLenSource;
} STAT_CHUNK;

typedef struct tagFILTERREGION {
    ULONG idChunk;
    ULONG cwcStart;
    ULONG cwcExtent;
} FILTERREGION;

enum IFILTER_INIT {
    IFILTER_INIT_CANON_PARAGRAPHS = 1,
    IFILTER_INIT_HARD_LINE_BREAKS = 2,
    IFILTER_INIT_CANON_HYPHENS = 4,
    IFILTER_INIT_CANON_SPACES = 8,
    IFILTER_INIT_APPLY_INDEX_ATTRIBUTES = 16,
    IFILTER_INIT_APPLY_OTHER_ATTRIBUTES = 32,
    IFILTER_INIT_INDEXING_ONLY = 64,
    IFILTER_INIT_SEARCH_LINKS = 128,
    IFILTER_INIT_APPLY_CRAWL_ATTRIBUTES = 256,
    IFILTER_INIT_FILTER_OWNED_VALUE_OK = 512,
};

enum IFILTER_FLAGS { IFILTER_FLAGS_OLE_PROPERTIES = 1 };

#include "platform/FilterErrors.h"
