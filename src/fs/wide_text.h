#pragma once
// The code-page conversions at the wide API, and the long-path rule of the Win32 file system.
#include <string>

namespace fs {
// ANSI code page (GBK) and UTF-8 to and from UTF-16.
std::wstring to_wide(const std::string& ansi);
std::string to_ansi(const std::wstring& wide);
std::wstring utf8_to_wide(const std::string& utf8);
std::string wide_to_utf8(const std::wstring& wide);
// Absolute, '\'-separated and prefixed with \\?\ (or \\?\UNC\), which lifts the 260-character limit.
std::wstring long_path(std::wstring path);
inline std::wstring long_path(const std::string& ansi) { return long_path(to_wide(ansi)); }
}  // namespace fs
