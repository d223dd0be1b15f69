// SPDX-License-Identifier: LGPL-3.0-or-later
// quillsift-host --preview WIDTHxHEIGHT OUT BOOK [--scroll N] [--dark]: what Explorer's preview
// pane shows of the book, without Explorer. In a single-threaded apartment, a window of
// WIDTHxHEIGHT client pixels is made and shown; the preview handler is the class the registry
// names for the book's extension (SystemFileAssociations\<extension>\ShellEx\{IPreviewHandler}),
// created in this process (there is no preview host under Wine); the book is bound as a
// read-only file stream; with --dark, dark visuals are handed first; SetWindow, SetRect,
// DoPreview; with --scroll N, the pane is given the focus and N Page Down keys, which go through
// the handler's TranslateAccelerator as a host's message loop sends them; then the window is
// drawn (RedrawWindow with its children) and copied from its device context (BitBlt: Wine's
// PrintWindow leaves child windows out) to OUT, a PNG when its name ends in .png, else a 32-bit
// BMP; then Unload. Prints "WIDTHxHEIGHT DoPreview MS ms".
#pragma once

#include "platform/Platform.h"

// Returns the exit status: 0 with OUT written; 1 when there is no preview handler, DoPreview
// fails or OUT cannot be written; 2 for a usage error.
int RunPreviewCommand(int argc, WCHAR** argv);
