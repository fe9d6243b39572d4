#pragma once
// The window "存档路径查看": the stored save paths of a project, expanded, one row each, with a
// button that opens the folder in the shell. Nothing is saved from it.
#include <string>

namespace path_view {
enum Control : int {
    kSectionLabel = 100,  // 配置节标签
};
}  // namespace path_view

// Opens the window modally for `project_name` of the project list in use; `program_path` (as
// stored) resolves the program-directory tokens.
void open_path_view_window(const std::string& project_name, const std::string& program_path);
