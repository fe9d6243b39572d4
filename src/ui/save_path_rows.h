#pragma once
// What the windows "多个位置" and "存档路径查看" share: their five rows of label, edit box and "…"
// button, and how tall the window is for a number of rows.
#include <string>
#include <vector>

#include "ui/window.h"

namespace path_rows {
inline constexpr int kCount = 5;
// Row k (1 … 5) holds the controls base + k; the edit box's tag is k.
inline constexpr int kLabelBase = 300;
inline constexpr int kEditBase = 310;
inline constexpr int kButtonBase = 320;
inline constexpr int label_id(int k) {
    return kLabelBase + k;
}
inline constexpr int edit_id(int k) {
    return kEditBase + k;
}
inline constexpr int button_id(int k) {
    return kButtonBase + k;
}
// The row (1 … 5) of a "…" button id, 0 for any other id.
inline int row_of_button(int id) {
    return (id > kButtonBase && id <= kButtonBase + kCount) ? id - kButtonBase : 0;
}

// Outer height that shows `rows` rows: one row leaves a client area 73 px high, five 193 px.
inline int outer_height(int height_adjust, int rows) {
    return height_adjust + 105 + 30 * (rows - 1);
}

// The fifteen row controls at y = 45 + 30·(k − 1); the two windows differ only in edit width and
// button position.
std::vector<ControlSpec> controls(int edit_width, int button_x, DWORD edit_style, unsigned edit_flags);

// Texts of the edit boxes tagged 1 … 5.
std::vector<std::string> texts(const Window& w);
// Fills the edit boxes tagged 1 … 5 from the first five entries; the other boxes keep their text.
void fill(Window& w, const std::vector<std::string>& entries);
}  // namespace path_rows
