#include "app/window_flow.h"

#include "app/sync_machine.h"

#include "app/app_state.h"
#include "paths/folders_win.h"
#include "ui/config_window.h"

MainContext main_context() {
    const AppState& a = app();
    return MainContext{a.fs, a.recycle_bin, a.folders(), a.save_config_path, &system_folders(),
                       [](const std::string& dropped_file) { return open_config(dropped_file); }, a.machine_id};
}

bool open_main_window() {
    auto* w = new MainWindow;
    if (!w->create(main_context())) {
        delete w;
        return false;
    }
    w->delete_when_closed();
    return true;
}

bool open_config(const std::string& dropped_file) {
    AppState& a = app();
    ConfigContext context{a.fs, a.folders(), a.machine_id, a.save_config_path, dropped_file, std::nullopt, {}};
    if (a.config_unchosen) context.page = kPageSettings;
    context.sync = platform_sync_setup(*a.fs, a.tool_dir, a.machine_id);
    ConfigEvents events;
    events.list_chosen = [](const std::string& path) { app().save_config_path = path; };
    events.closed = [] {
        app().config_unchosen = false;
        open_main_window();
    };
    return open_config_window(context, std::move(events)) != nullptr;
}
