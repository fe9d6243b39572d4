#include "app/tray_icon.h"

#include <shellapi.h>

#include <cstring>

namespace {

constexpr UINT kIconId = 1;

void copy_text(char* to, size_t size, const std::string& text) {
    std::strncpy(to, text.c_str(), size - 1);
    to[size - 1] = '\0';
}

}  // namespace

bool TrayIcon::modify(UINT message, UINT flags, const std::function<void(NOTIFYICONDATAA&)>& fill) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = kIconId;
    data.uFlags = flags;
    if (fill) fill(data);
    return Shell_NotifyIconA(message, &data) != FALSE;
}

bool TrayIcon::show() {
    if (shown_ || !owner_) return shown_;
    shown_ = modify(NIM_ADD, NIF_ICON | NIF_MESSAGE | NIF_TIP, [this](NOTIFYICONDATAA& d) {
        d.uCallbackMessage = message_;
        d.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
        if (!d.hIcon) d.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        copy_text(d.szTip, sizeof d.szTip, tip_);
    });
    return shown_;
}

void TrayIcon::hide() {
    if (shown_) modify(NIM_DELETE, 0, nullptr);
    shown_ = false;
}

void TrayIcon::set_tip(const std::string& tip) {
    if (tip == tip_) return;
    tip_ = tip;
    if (shown_) modify(NIM_MODIFY, NIF_TIP, [&](NOTIFYICONDATAA& d) { copy_text(d.szTip, sizeof d.szTip, tip_); });
}

void TrayIcon::balloon(const std::string& text, bool warning) {
    if (!show()) return;
    modify(NIM_MODIFY, NIF_INFO, [&](NOTIFYICONDATAA& d) {
        copy_text(d.szInfo, sizeof d.szInfo, text);
        copy_text(d.szInfoTitle, sizeof d.szInfoTitle, "Varnoke");
        d.dwInfoFlags = warning ? NIIF_WARNING : NIIF_INFO;
    });
}

UINT track_tray_menu(HWND owner, const std::vector<TrayMenuItem>& items) {
    HMENU menu = CreatePopupMenu();
    for (const TrayMenuItem& i : items)
        AppendMenuA(menu, i.text ? MF_STRING : MF_SEPARATOR, i.id, i.text);
    POINT at;
    GetCursorPos(&at);
    SetForegroundWindow(owner);  // else the menu stays open when the user clicks elsewhere
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
    PostMessageA(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
    return chosen;
}
