#include "app/window_operations.h"

#include "backup/processes.h"

WindowOperations::WindowOperations(HWND window, fs::FileSystem& files, ProjectFiles list,
                                   std::function<void()> settled,
                                   std::function<void(const backup::ProjectState&, const BackupJobResult&)> backed_up)
    : host_(window, std::move(settled)),
      stamp_(std::move(list)),
      control_({files, [](const std::string& exe) { return backup::is_program_running(exe); }, stamp_,
                std::move(backed_up)},
               &host_) {}

// Lower CPU and I/O priority while a game may be running; the engine's own threads keep theirs.
void WindowOperations::Host::background(bool on) {
    SetThreadPriority(GetCurrentThread(), on ? THREAD_MODE_BACKGROUND_BEGIN : THREAD_MODE_BACKGROUND_END);
}
