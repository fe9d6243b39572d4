#include "app/progress_controls.h"

#include <commctrl.h>

void ProgressControls::set_percent(int percent) {
    SendMessageA(GetDlgItem(window_, bar_), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void ProgressControls::set_status(const std::string& text) { SetDlgItemTextA(window_, status_, text.c_str()); }

void ProgressControls::set_counter(const std::string& text) { SetDlgItemTextA(window_, counter_, text.c_str()); }
