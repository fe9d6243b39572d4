#pragma once
// A found folder as it is stored in a project: with a token wherever one applies, so the project
// travels between machines, and always one that expands back to the same folder.
#include <string>
#include <vector>

#include "paths/expand.h"

namespace finder {

// Tried in order: "<程序所在目录>" (the program's own folder), "<我的文档>", then, when
// `variable_allowed`, "%USERPROFILE%", "%ProgramData%" and "%PUBLIC%", then "<程序数据目录>";
// the plain folder when none expands back to it.
std::string stored_form(const std::string& folder, const std::string& program_path, const Folders& folders,
                        bool variable_allowed);

// The stored forms joined with "|". Only the first %VAR% of a stored value is expanded, so only
// the first folder that needs one gets one.
std::string join_stored_forms(const std::vector<std::string>& found, const std::string& program_path,
                              const Folders& folders);

// The same folder, whatever the case of its ASCII letters, doubled "\" or a trailing "\".
bool same_folder(const std::string& a, const std::string& b);

}  // namespace finder
