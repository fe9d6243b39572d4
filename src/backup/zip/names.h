// Entry names and paths: UTF-8 checks, the rules that keep extracted files inside the target folder,
// and temporary names beside a file.
#pragma once

#include <string>

namespace zip {

bool is_valid_utf8(const std::string& text);

// Turns an archive name into a relative path below the target folder: '\' counts as '/', empty and
// "." components drop out. False for names that could land elsewhere or that Windows would take
// for a device: absolute paths, drive letters, any ':', "..", control characters, CON, NUL, COM1...
bool safe_relative_path(const std::string& name, std::string* path, bool* is_dir);

std::string join_path(const std::string& dir, const std::string& relative);
std::string parent_path(const std::string& path);  // "" when there is none

// A fresh name in the same folder as `path`, for writing there before moving into place.
std::string sibling_temp_path(const std::string& path);
// Whether a file name is one that sibling_temp_path makes.
bool is_temporary_name(const std::string& file_name);

}  // namespace zip
