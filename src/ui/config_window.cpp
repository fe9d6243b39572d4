#include "ui/config_window.h"

#include "app/main_window.h"
#include "ui/window.h"

namespace {

class ConfigWindow : public Window {
   public:
    bool open() {
        if (!create("配置", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 50, 50, 450, 212)) return false;
        delete_on_destroy();
        fit_client_area(444, 180);
        ShowWindow(hwnd(), SW_SHOW);
        return true;
    }

   protected:
    void on_destroy() override { open_main_window(); }
};

}  // namespace

bool open_config_window() {
    auto* w = new ConfigWindow;
    if (w->open()) return true;
    delete w;
    return false;
}
