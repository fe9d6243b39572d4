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
    fs::FileSystem& file_system = fs::platform_file_system();  // made once, handed down
    // With arguments the program runs without a window, beside any window of its own.
    if (std::optional<int> code = run_command_line(command_line_arguments(), files::executable_dir(), file_system)) {
        CoUninitialize();
        return *code;
    }
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    WinPrompt real_prompt;
    set_prompt(&real_prompt);
    Window::set_quit_when_last_closes(true);

    app().tool_dir = files::executable_dir();
    StartupWindows windows{[&file_system] { open_main_window(file_system); }, [&file_system] { open_config(file_system); }};
    if (run_startup(app(), windows, file_system) && Window::live_windows() > 0) {
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
