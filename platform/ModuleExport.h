// SPDX-License-Identifier: LGPL-3.0-or-later
// Marks the functions a module exports. Windows builds name them in the module's .def file; the
// native build compiles with hidden visibility, so an export is made visible here and the
// linker's version script keeps everything else local.
#pragma once

#if defined(_WIN32)
#define MODULE_EXPORT
#else
#define MODULE_EXPORT __attribute__((visibility("default")))
#endif
