// Varnoke: backs up and restores the save folders of games and other programs.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/app_state.h"
#include "app/command_line.h"
#include "app/startup.h"
#include "app/window_flow.h"
#include "paths/files.h"
#include "ui/prompt_win.h"
#include "ui/window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CoInitialize(nullptr);  // shell links and drag-and-drop
    // With arguments the program runs without a window, beside any window of its own.
    fs::FileSystem& files = fs::platform_file_system();
    const std::string tool_dir = fs::path_of(files::executable_dir());
    if (std::optional<int> code = run_command_line(command_line_arguments(), tool_dir, files)) {
        CoUninitialize();
        return *code;
    }
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    WinPrompt real_prompt;
    set_prompt(&real_prompt);
    Window::set_quit_when_last_closes(true);

    app().fs = &files;
    app().recycle_bin = &fs::platform_recycle_bin();
    app().tool_dir = tool_dir;
    StartupWindows windows{[] { open_main_window(); }, [] { open_config(); }};
    if (run_startup(app(), windows, files) && Window::live_windows() > 0) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            HWND active = GetActiveWindow();
            if (active && IsDialogMessageA(active, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    release_single_instance();
    CoUninitialize();
    return 0;
}
