#pragma once
// The window "存档路径查看": the stored save paths of a project, expanded, one row each, with a
// button that opens the folder in the shell. Nothing is saved from it.
#include <string>

namespace path_view {
enum Control : int {
    kSectionLabel = 100,  // 配置节标签
};
}  // namespace path_view

// Opens the window modally for `project_name`, whose stored "存档路径" is `stored_save_path`;
// `program_path` resolves the program-directory tokens.
void open_path_view_window(const std::string& project_name, const std::string& stored_save_path,
                           const std::string& program_path);
