// The configuration lock on hosts other than Windows, where only the tests run: one process, so a
// recursive mutex of the process is the whole of it.
#ifndef _WIN32

#include <mutex>

#include "config/config_lock.h"

namespace {
std::recursive_mutex& config_mutex() {
    static std::recursive_mutex mutex;
    return mutex;
}
}  // namespace

ConfigFilesLock::ConfigFilesLock() {
    config_mutex().lock();
    held_ = true;
}

ConfigFilesLock::~ConfigFilesLock() {
    if (held_) config_mutex().unlock();
}

#endif
