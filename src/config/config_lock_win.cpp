#include <windows.h>

#include "config/config_lock.h"

namespace {

// One mutex per session, opened once and kept for the life of the process.
HANDLE config_mutex() {
    static HANDLE mutex = CreateMutexA(nullptr, FALSE, "VarnokeConfigFiles");
    return mutex;
}

// An INI access takes milliseconds; a holder that keeps the lock this long has hung, and waiting
// for it forever would hang this process too.
constexpr DWORD kPatience = 15000;

}  // namespace

ConfigFilesLock::ConfigFilesLock() {
    HANDLE m = config_mutex();
    // WAIT_ABANDONED: the holder ended without letting go; the lock is ours now all the same.
    if (m) held_ = WaitForSingleObject(m, kPatience) != WAIT_TIMEOUT;
}

ConfigFilesLock::~ConfigFilesLock() {
    if (held_) ReleaseMutex(config_mutex());
}
