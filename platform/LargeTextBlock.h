// SPDX-License-Identifier: LGPL-3.0-or-later
// A step of the native build's text path: the block that is about to receive a long book text
// is offered to the system's transparent huge pages. Windows' task allocator has no such step,
// so there it does nothing.
#pragma once

#include <cstddef>

#if defined(_WIN32)
inline void AdviseLargeTextBlock(void*, size_t) {}
#else
// A block of at least two huge pages, written once from end to end as soon as it is allocated:
// its whole huge pages are asked for. A system without them ignores the advice.
void AdviseLargeTextBlock(void* block, size_t bytes);
#endif
