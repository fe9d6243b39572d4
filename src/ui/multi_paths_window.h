#pragma once
// The window "多个位置": edits the save path of the project being added or modified as up to five
// separate fields and hands the joined result back to the page that opened it.
#include <functional>
#include <string>

namespace multi_paths {
// Control ids besides the five path rows (ui/save_path_rows.h).
enum Control : int {
    kCountLabel = 100,  // 标签6
    kCountCombo,        // 存档数量组合框
    kMoreButton,        // 增加按钮 "＋"
    kFewerButton,       // 减少按钮 "－"
    kOkButton,          // 确定按钮
};
}  // namespace multi_paths

// The page of "配置" that edits the save path.
enum class EditPage { add, modify };

struct SavePathsEdit {
    EditPage page = EditPage::add;
    std::string project_name;  // shown in the title
    std::string save_path;     // the text of the page's save-path box
    std::string program_path;  // resolves "<程序所在目录>" and "<程序上级目录>"
};

// Receives the joined paths when the user confirms.
using SavePathsWriteBack = std::function<void(EditPage page, const std::string& joined)>;

// Opens "多个位置" modally. On the page "修改" nothing happens while no project is chosen.
void edit_save_paths(const SavePathsEdit& edit, const SavePathsWriteBack& write_back);
