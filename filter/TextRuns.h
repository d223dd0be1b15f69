// SPDX-License-Identifier: LGPL-3.0-or-later
// Where a text chunk's text comes from: the chunk hands out a run of it, then asks for the next,
// so that its text is converted as the host reads it (a text held whole is one run).
#pragma once

#include "platform/Platform.h"

class TextRuns {
public:
    // Makes the next run of the chunk's text current: `*units`, `*count` of them (at least
    // one), valid until the next call. S_FALSE when the chunk's text has ended; a failure
    // (E_OUTOFMEMORY) when it cannot be read on, which fails the chunk.
    virtual HRESULT NextTextRun(const WCHAR** units, ULONG* count) = 0;

protected:
    ~TextRuns() = default;
};
