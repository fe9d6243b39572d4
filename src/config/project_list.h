#pragma once
// The projects of a save-configuration file, most recently used first.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/ini_document.h"
#include "fs/file_system.h"

// Seconds from 2012-12-21 03:14:35 to the operation time text; a missing stamp counts as
// 2011-01-01 01:01:01 (the caller passes that default), invalid text as 100-01-01.
int64_t project_sort_key(const std::string& time_text);

// Stable, descending by sort key: equal times keep their order in the file.
// `time_text_of` reads a project's "操作时间" (with its default) from the file.
std::vector<std::string> order_by_operation_time(std::vector<std::string> names,
                                                 const std::function<std::string(const std::string&)>& time_text_of);

// The section names of the list (none when it does not exist), ordered; one parse of the file.
std::vector<std::string> project_names(const ini::Document& list);
std::vector<std::string> load_project_names(fs::FileSystem& fs, const std::string& save_config_path);

