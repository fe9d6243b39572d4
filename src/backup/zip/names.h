// Entry names and paths: UTF-8 checks, the rules that keep extracted files inside the target folder,
// and temporary names beside a file.
#pragma once

#include <string>

namespace zip {

bool is_valid_utf8(const std::string& text);
// Whether every byte of 0x81..0xfe is followed by a trail byte of GBK (code page 936).
bool is_valid_gbk(const std::string& text);

// Turns an archive name into a relative path below the target folder: '\' counts as '/', empty and
// "." components drop out. False for names that could land elsewhere: absolute paths, drive
// letters, "..".
bool safe_relative_path(const std::string& name, std::string* path, bool* is_dir);
// Whether Windows can hold every component of a relative path: none of <>:"|?* or control
// characters, no component ending in a dot or a blank, no device name (CON, NUL, COM1...).
bool valid_windows_path(const std::string& relative);

std::string join_path(const std::string& dir, const std::string& relative);
std::string parent_path(const std::string& path);  // "" when there is none

// A fresh name in the same folder as `path`, for writing there before moving into place.
std::string sibling_temp_path(const std::string& path);
// Whether a file name is one that sibling_temp_path makes.
bool is_temporary_name(const std::string& file_name);

}  // namespace zip
