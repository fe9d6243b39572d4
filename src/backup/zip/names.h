// Entry names and paths: UTF-8 checks, the rules that keep extracted files inside the target folder,
// and temporary names beside a file.
#pragma once

#include <string>

#include "fs/file_names.h"

namespace zip {

using fs::is_valid_utf8;
using fs::join_path;
using fs::parent_path;
using fs::sibling_temp_path;
using fs::is_temporary_name;

// Whether every byte of 0x81..0xfe is followed by a trail byte of GBK (code page 936).
bool is_valid_gbk(const std::string& text);

// Turns an archive name into a relative path below the target folder: '\' counts as '/', empty and
// "." components drop out. False for names that could land elsewhere: absolute paths, drive
// letters, "..".
bool safe_relative_path(const std::string& name, std::string* path, bool* is_dir);
// Whether Windows can hold every component of a relative path: none of <>:"|?* or control
// characters, no component ending in a dot or a blank, no device name (CON, NUL, COM1...).
bool valid_windows_path(const std::string& relative);

}  // namespace zip
