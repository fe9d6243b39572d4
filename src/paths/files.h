#pragma once
// File-system tests and operations on ANSI paths, and the one home of the code-page conversions.
// Every path goes through the wide API with a \\?\ prefix, so save and backup folders deeper than
// 260 characters work like any other.
#include <optional>
#include <string>
#include <vector>

namespace files {
// Find-first existence test: files and folders both count.
bool exists(const std::string& path);
bool is_directory(const std::string& path);
bool is_file(const std::string& path);
bool create_directory(const std::string& path);  // one level
bool delete_file(const std::string& path);
bool move(const std::string& from, const std::string& to);  // a file or a folder, same volume
// File attributes (FILE_ATTRIBUTE_*); nullopt when the path does not exist.
std::optional<unsigned long> attributes(const std::string& path);
bool set_attributes(const std::string& path, unsigned long attributes);
// Creates or replaces a file with exactly these bytes.
bool write_bytes(const std::string& path, const std::string& bytes);
// The whole file when it exists and holds at most `limit` bytes.
std::optional<std::string> read_bytes(const std::string& path, size_t limit);
// Names (not paths) of the files in `folder` that match a wildcard pattern such as "*.tmp".
std::vector<std::string> matching_files(const std::string& folder, const std::string& pattern);
// Names of the sub-folders of `folder`.
std::vector<std::string> sub_folders(const std::string& folder);

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
