#include "app/main_window.h"

#include "ui/window.h"

namespace {

class MainWindow : public Window {
   public:
    bool open() {
        if (!create("Varnoke", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 50, 50, 500, 260))
            return false;
        delete_on_destroy();
        fit_client_area(494, 221);
        ShowWindow(hwnd(), SW_SHOW);
        return true;
    }
};

}  // namespace

bool open_main_window() {
    auto* w = new MainWindow;
    if (w->open()) return true;
    delete w;
    return false;
}
