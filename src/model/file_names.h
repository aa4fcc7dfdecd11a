#pragma once

#include <string>

namespace kivo {

// Replaces the extension of the file name (not of a folder) by `ext`, which includes the dot:
// cut at the first "." of the last path component, or append when it has none.
std::string ChangeFileExt(const std::string& name, const std::string& ext);

} // namespace kivo
