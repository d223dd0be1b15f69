// SPDX-License-Identifier: LGPL-3.0-or-later
// The POSIX resources quillsift-dump holds, each given back by its owner: file descriptors,
// folders being read, C library files and loaded libraries.
#pragma once

#include "platform/UniqueAny.h"

#include <cstdio>
#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

using FileDescriptor = UniqueAny<int, ::close, -1>;
using OpenFolder = UniqueAny<DIR*, ::closedir>;
using CFile = UniqueAny<std::FILE*, ::fclose>;
using LoadedLibrary = UniqueAny<void*, ::dlclose>;
