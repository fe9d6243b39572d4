// Paths of the file world: UTF-8 names joined with '/', and the temporary names written beside a
// file before it moves into place.
#pragma once

#include <string>

namespace fs {

bool is_valid_utf8(const std::string& text);

std::string join_path(const std::string& dir, const std::string& relative);
std::string parent_path(const std::string& path);  // "" when there is none

// A fresh name in the same folder as `path`, for writing there before moving into place.
std::string sibling_temp_path(const std::string& path);
// Whether a file name is one that sibling_temp_path makes.
bool is_temporary_name(const std::string& file_name);

}  // namespace fs
