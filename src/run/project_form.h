#pragma once
// The checks of the pages "修改" and "增加" before a project is written: what the user is told, in
// order, which box then takes the focus, and whether the project is written and stamped.
#include <optional>
#include <string>
#include <vector>

#include "paths/expand.h"

enum class FormField { name, save_path };

struct FormCheck {
    std::vector<std::string> messages;  // told in this order
    std::optional<FormField> focus;     // the box that has the focus at the end
    bool write = false;                 // the project may be written
    bool stamp = false;                 // 操作时间 is stamped, whatever the write does
};

// "修改" of `name` (as typed), for the project loaded as `loaded` ("" when none is); `listed` are
// the projects of the list. A new name is checked before anything, its stamp included, is written.
// `save_folders` are the folders the save path names on this machine: two that overlap are refused.
FormCheck check_modify(const std::vector<std::string>& listed, const std::string& loaded,
                       const std::string& name, const std::string& save_path,
                       const std::vector<std::string>& save_folders = {});
// "增加" of `name`.
FormCheck check_add(const std::vector<std::string>& listed, const std::string& name,
                    const std::string& save_path, const std::vector<std::string>& save_folders = {});

// Why the folders of a save path (as typed, "|" between folders) cannot be one project's: two of
// them overlap. "" when they can be. For the windows that fill the save path in.
std::string save_path_problem(const std::string& save_path, const std::string& program_path,
                              const Folders& folders);
