#include "app/window_flow.h"

#include "app/app_state.h"
#include "app/main_window.h"
#include "ui/config_window.h"

bool open_main_window() {
    auto* w = new MainWindow;
    if (!w->create()) {
        delete w;
        return false;
    }
    w->delete_when_closed();
    return true;
}

bool open_config() {
    AppState& a = app();
    ConfigContext context{a.folders(), a.machine_id, a.save_config_path, a.dropped_file_path, std::nullopt};
    if (a.config_unchosen) context.page = kPageSettings;
    ConfigEvents events;
    events.list_chosen = [](const std::string& path) { app().save_config_path = path; };
    events.closed = [] {
        app().dropped_file_path.clear();
        app().config_unchosen = false;
        open_main_window();
    };
    return open_config_window(context, std::move(events)) != nullptr;
}
