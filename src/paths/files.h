#pragma once
// The process's environment and where the executable lies. Files themselves are reached through
// fs::FileSystem only; code-page conversions live in fs/wide_text.h.
#include <string>

namespace files {
// The process environment; "" when unset. Goes through the wide API so non-ASCII values survive.
std::string environment_variable(const std::string& name);
// Full path of the running executable and its folder (no trailing backslash).
std::string executable_path();
std::string executable_dir();
// Whether this machine has the drive of this letter now.
bool drive_exists(char letter);
}  // namespace files
