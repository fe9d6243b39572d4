#include "ui/save_path_rows.h"

#include <algorithm>

namespace path_rows {

namespace {
// 存档路径编辑框1 … 5 sit after these labels (标签1 … 标签5).
const char* const kLabels[kCount] = {"存档路径 ：", "存档路径2：", "存档路径3：", "存档路径4：",
                                     "存档路径5："};
}  // namespace

std::vector<ControlSpec> controls(int edit_width, int button_x, DWORD edit_style, unsigned edit_flags) {
    std::vector<ControlSpec> specs;
    for (int k = 1; k <= kCount; ++k) {
        const int y = 45 + 30 * (k - 1);
        // 67 wide, up to the edit box: at 64 the second line of a wrapped "存档路径2：" is cut off.
        specs.push_back(
            {label_id(k), "STATIC", kLabels[k - 1], 8, y, 67, 20, SS_LEFTNOWORDWRAP | SS_NOPREFIX});
        specs.push_back({edit_id(k), "EDIT", "", 75, y, edit_width, 20,
                         ES_AUTOHSCROLL | WS_TABSTOP | edit_style, edit_flags, WS_EX_CLIENTEDGE});
        // 存档路径按钮, 存档路径按钮2 … 存档路径按钮5
        specs.push_back({button_id(k), "BUTTON", "…", button_x, y, 25, 20, BS_PUSHBUTTON | WS_TABSTOP});
    }
    return specs;
}

std::vector<std::string> texts(const Window& w) {
    std::vector<std::string> out;
    for (int k = 1; k <= kCount; ++k) out.push_back(w.text(edit_id(k)));
    return out;
}

void fill(Window& w, const std::vector<std::string>& entries) {
    const int n = std::min(static_cast<int>(entries.size()), kCount);
    for (int k = 1; k <= n; ++k) w.set_text(edit_id(k), entries[k - 1]);
}

}  // namespace path_rows
