// Which files a folder walk takes: the extensions the filter is registered for.
#pragma once

#include <string>

// True for a name ending in ".mobi" or ".azw", letter case ignored.
bool HasBookExtension(const std::string& name);
