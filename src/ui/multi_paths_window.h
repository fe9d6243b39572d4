#pragma once
// The window "多个位置": edits the save path of the project being added or modified as up to five
// separate fields and hands the joined result back to the page that opened it.
#include <functional>
#include <string>

namespace multi_paths {
// Control ids besides the five path rows (ui/save_path_editing.h).
enum Control : int {
    kCountLabel = 100,  // 标签6
    kCountCombo,        // 存档数量组合框
    kMoreButton,        // 增加按钮 "＋"
    kFewerButton,       // 减少按钮 "－"
    kOkButton,          // 确定按钮
};
}  // namespace multi_paths

// Receives edit_mode ("增加" or "修改") and the joined paths when the user confirms.
using SavePathsWriteBack = std::function<void(const std::string& mode, const std::string& joined)>;

// Opens "多个位置" modally for the editing context already set (save_path_editing()).
// `program_path` resolves "<程序所在目录>" and "<程序上级目录>" in the save path.
void open_multi_paths_window(const std::string& program_path, const SavePathsWriteBack& write_back);

// 存档路径文件夹按钮_增加: any name, even an empty one.
void on_add_page_save_paths_button(const std::string& name, const std::string& save_path_text,
                                   const std::string& program_path, const SavePathsWriteBack& write_back);
// 存档路径文件夹按钮_修改: nothing happens while no project is chosen (`name` empty).
void on_modify_page_save_paths_button(const std::string& name, const std::string& save_path_text,
                                      const std::string& program_path, const SavePathsWriteBack& write_back);
