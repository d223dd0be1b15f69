// SPDX-License-Identifier: LGPL-3.0-or-later
// Which files the hosts take from a folder they walk.
#pragma once

#include <string>

// The Kindle books libmobi reads, whatever their extension says of the format inside: true for
// a name (UTF-8) ending in ".mobi", ".azw", ".azw3" or ".prc", letter case ignored.
bool HasBookExtension(const std::string& name);

// What both hosts say of a folder they were given that holds no such file.
const char NoBookInFolder[] = "no .mobi, .azw, .azw3 or .prc file in this folder";
