// Which files a folder walk takes: the Kindle books libmobi reads, whatever their extension
// says of the format inside (.mobi, .azw, .azw3, .prc).
#pragma once

#include <string>

// True for a name ending in ".mobi", ".azw", ".azw3" or ".prc", letter case ignored.
bool HasBookExtension(const std::string& name);
