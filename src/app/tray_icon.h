#pragma once
// The notification-area icon: shown while a project is watched, its tooltip, its balloons and its
// menu. Thin over Shell_NotifyIconA.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TrayIcon {
   public:
    ~TrayIcon() { hide(); }
    // `message` reaches `owner` for clicks on the icon.
    void attach(HWND owner, UINT message) {
        owner_ = owner;
        message_ = message;
    }
    bool show();
    void hide();
    bool shown() const { return shown_; }
    void set_tip(const std::string& tip);
    void balloon(const std::string& text, bool warning);

   private:
    bool modify(UINT message, UINT flags, const std::function<void(NOTIFYICONDATAA&)>& fill);

    HWND owner_ = nullptr;
    UINT message_ = 0;
    bool shown_ = false;
    std::string tip_ = "Varnoke";
};

struct TrayMenuItem {
    UINT id;
    const char* text;  // nullptr: a separator
};

// Opens the menu at the cursor; the chosen id, 0 for none.
UINT track_tray_menu(HWND owner, const std::vector<TrayMenuItem>& items);
