#pragma once
// The window "排除": the patterns of the project being added or modified, one a line. 确定 refuses
// a pattern that cannot be used, with the reason, and hands the patterns back joined as stored.
#include <optional>
#include <string>

namespace exclusions_ui {
enum Control : int {
    kLabel = 100,
    kEdit,
    kOkButton = 1,      // IDOK
    kCancelButton = 2,  // IDCANCEL: Esc
};
}  // namespace exclusions_ui

// The stored text ("*.log;cache\") after 确定; nullopt when cancelled.
std::optional<std::string> edit_exclusions(const std::string& project_name, const std::string& stored);

// What the pages 修改/增加 show beside 排除…: "排除：*.log；cache\" or "不排除任何文件".
std::string exclusions_summary(const std::string& stored);
