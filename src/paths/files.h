#pragma once
// The one home of the code-page conversions, the long-path rule of the Win32 file system, and the
// process's environment. Files themselves are reached through zip::FileSystem only.
#include <string>
#include <vector>

namespace files {
// The process environment; "" when unset. Goes through the wide API so non-ASCII values survive.
std::string environment_variable(const std::string& name);
// Full path of the running executable and its folder (no trailing backslash).
std::string executable_path();
std::string executable_dir();

// ANSI code page (GBK) and UTF-8 to and from UTF-16.
std::wstring to_wide(const std::string& ansi);
std::string to_ansi(const std::wstring& wide);
std::wstring utf8_to_wide(const std::string& utf8);
std::string wide_to_utf8(const std::wstring& wide);
// Absolute, '\'-separated and prefixed with \\?\ (or \\?\UNC\), which lifts the 260-character limit.
std::wstring long_path(std::wstring path);
inline std::wstring long_path(const std::string& ansi) { return long_path(to_wide(ansi)); }
}  // namespace files
