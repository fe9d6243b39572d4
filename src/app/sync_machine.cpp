#include "app/sync_machine.h"

#include <windows.h>

#include "sync/winhttp_transport.h"

namespace {

std::string computer_name() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : "";
}

}  // namespace

SyncSetup platform_sync_setup(fs::FileSystem& fs, const std::string& tool_dir, const std::string& machine_id,
                              bool quick) {
    SyncSetup setup;
    setup.fs = &fs;
    setup.tool = ToolFolders{tool_dir};
    setup.machine = {machine_id, computer_name()};
    setup.protector = &syncing::user_secret_protector();
    syncing::Timeouts timeouts;
    if (quick) timeouts = {3000, 3000, 5000, 5000};
    setup.transport = [timeouts](const syncing::ServerAddress& address, std::string* reason) {
        return syncing::make_winhttp_transport(address, timeouts, reason);
    };
    return setup;
}
