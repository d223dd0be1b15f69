// SPDX-License-Identifier: LGPL-3.0-or-later
// Preloaded into a process (LD_PRELOAD), fails its Nth allocation: malloc, calloc or realloc,
// operator new included (the C++ library's goes through malloc), counted from the process's
// start. QUILLSIFT_FAIL_ALLOCATION=N fails the Nth once (0 or unset: none);
// QUILLSIFT_ALLOCATION_COUNT=FILE writes how many allocations were made to FILE at exit.
// bench/allocation-sweep.sh runs a program once for every N.
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>

void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);

static unsigned long Counted;
static unsigned long FailAt;
static int Ready;

static void Start(void) __attribute__((constructor));
static void Start(void) {
    const char* nth = getenv("QUILLSIFT_FAIL_ALLOCATION");
    FailAt = nth != NULL ? strtoul(nth, NULL, 10) : 0;
    Ready = 1;
}

static void End(void) __attribute__((destructor));
static void End(void) {
    const char* path = getenv("QUILLSIFT_ALLOCATION_COUNT");
    if (path != NULL) {
        FILE* file = fopen(path, "w");
        if (file != NULL) {
            fprintf(file, "%lu\n", Counted);
            fclose(file);
        }
    }
}

static int Fails(void) {
    return ++Counted == FailAt && Ready;
}

void* malloc(size_t size) {
    return Fails() ? NULL : __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    return Fails() ? NULL : __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) {
    return Fails() ? NULL : __libc_realloc(block, size);
}
