// SPDX-License-Identifier: LGPL-3.0-or-later
// quillsift-dump --cover OUT BOOK: writes the book's cover picture to OUT as the book holds
// it, the bytes the thumbnail provider decodes, for scripts (Linux desktops draw covers with
// thumbnailers of their own). The bytes come from the module's thumbnail provider object,
// made through DllGetClassObject, through its own IBookCover face.
#pragma once

// Whether the command line asks for the cover (--cover anywhere in it).
bool IsCoverCommand(int argc, const char* const* argv);

// Runs `quillsift-dump [--library PATH] --cover OUT BOOK`; returns the exit status: 0 with
// OUT written, 1 when the book has no cover or does not load, or OUT cannot be written (no
// file is left then), 2 for a usage error, 3 when the library cannot be loaded.
int RunCoverCommand(int argc, const char* const* argv);
