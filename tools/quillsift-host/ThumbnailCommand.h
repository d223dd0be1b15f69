// SPDX-License-Identifier: LGPL-3.0-or-later
// quillsift-host --thumbnail SIZE OUT BOOK: the book's thumbnail as Explorer gets it. The
// class is the one the registry names for the book's extension
// (SystemFileAssociations\<extension>\ShellEx\{IThumbnailProvider}); the book is bound as a
// read-only file stream through IInitializeWithStream; GetThumbnail(SIZE)'s bitmap is written
// as a PNG when OUT ends in ".png", else as a 32-bit top-down BMP, alpha byte kept
// (BitmapFile), and "WIDTHxHEIGHT ALPHATYPE MS ms" printed (the time from making the object
// to the bitmap). A book without a thumbnail gets the words quillsift-dump --cover gives it.
#pragma once

#include "platform/Platform.h"

// Returns the exit status: 0 with OUT written; 1 when there is no thumbnail (no class, no
// cover, a failed decode) or OUT cannot be written, with no OUT left; 2 for a usage error.
int RunThumbnailCommand(int argc, WCHAR** argv);
