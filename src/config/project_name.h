#pragma once
// A project name is also the name of its backup folder under "存档目录", so it must be usable as
// one folder name on Windows.
#include <string>
#include <string_view>

// Why `name` cannot be a single Windows folder name, as a short sentence for the user; empty when
// it can. GBK-aware: the trail byte of a two-byte character (that of 東 is "|") is no separator.
std::string folder_name_problem(std::string_view name);

// Backup and restore refuse a project whose name is none: it could reach outside "存档目录".
inline bool is_valid_project_name(std::string_view name) { return folder_name_problem(name).empty(); }
