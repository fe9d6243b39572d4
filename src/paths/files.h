#pragma once
// File-system tests and operations on ANSI paths, and the one pair of code-page conversions.
#include <string>

namespace files {
// Find-first existence test: files and folders both count.
bool exists(const std::string& path);
bool is_directory(const std::string& path);
bool is_file(const std::string& path);
bool create_directory(const std::string& path);  // one level
bool delete_file(const std::string& path);
// The process environment; "" when unset. Goes through the wide API so non-ASCII values survive.
std::string environment_variable(const std::string& name);
// Full path of the running executable and its folder (no trailing backslash).
std::string executable_path();
std::string executable_dir();

std::wstring to_wide(const std::string& ansi);
std::string to_ansi(const std::wstring& wide);
}  // namespace files
