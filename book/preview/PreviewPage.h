// SPDX-License-Identifier: LGPL-3.0-or-later
// What a preview pane shows, as plain data: the book's preview fills it, the pane's window
// (book/pane/PreviewWindow.h) lays it out and draws it. Nothing here is owned: whoever fills a
// page keeps what it points to alive for as long as a window shows it.
#pragma once

#include "platform/Platform.h"

#include <cstddef>

// How a line of the page is drawn.
enum class PreviewStyle : unsigned char {
    Title,       // large
    Authors,     // a little larger than the text
    Facts,       // publisher, year and language: the text's size, dimmed
    Description, // the book's own description
    Paragraph,   // a paragraph of the book's text
    Notice,      // what the pane says about the book itself (encrypted, unreadable)
};

// A line of the page: one paragraph, wrapped to the pane's width.
struct PreviewLine {
    PreviewStyle Style;
    const WCHAR* Text;
    size_t Length;
    // Drawn with the page's FaceName: the pane's own face lacks some of its characters.
    bool OtherFace;
};

struct PreviewPage {
    // The cover picture's bytes (JPEG, GIF, PNG or BMP), above the lines; none when null.
    const BYTE* Cover = nullptr;
    ULONG CoverSize = 0;
    const PreviewLine* Lines = nullptr;
    size_t LineCount = 0;
    // The lines are laid out right to left (a book in Arabic, Hebrew, Persian, Urdu…).
    bool RightToLeft = false;
    // The face of the lines marked OtherFace; null when none is.
    const WCHAR* FaceName = nullptr;
};
