#include "paths/folders_win.h"

#include <windows.h>

#include <shlobj.h>

#include <mutex>

#include "paths/files.h"

namespace {

std::mutex g_fixes_mutex;
PathFixes g_fixes;

constexpr UINT kBuffer = MAX_PATH;  // 260 bytes, as the lookups have always used

// A result that did not fit the buffer counts as a failure, like no result.
std::string from_buffer(const char* buf, UINT n) {
    return (n == 0 || n >= kBuffer) ? std::string() : std::string(buf, n);
}

}  // namespace

std::string SystemFolders::environment_variable(const std::string& name) const {
    return files::environment_variable(name);
}

std::string SystemFolders::special_folder(int csidl) const {
    char buf[kBuffer] = {};
    if (!SHGetSpecialFolderPathA(nullptr, buf, csidl, FALSE)) return {};
    return buf;
}

std::string SystemFolders::windows_dir() const {
    char buf[kBuffer];
    return from_buffer(buf, GetWindowsDirectoryA(buf, kBuffer));
}

std::string SystemFolders::system_dir() const {
    char buf[kBuffer];
    return from_buffer(buf, GetSystemDirectoryA(buf, kBuffer));
}

std::string SystemFolders::temp_dir() const {
    char buf[kBuffer];
    return from_buffer(buf, GetTempPathA(kBuffer, buf));
}

const Folders& system_folders() {
    static const SystemFolders folders;
    return folders;
}

std::string SystemFolders::fixed_path(const std::string& expanded) const {
    std::lock_guard<std::mutex> lock(g_fixes_mutex);
    return apply_path_fixes(expanded, g_fixes);
}

void use_path_fixes(const PathFixes& fixes) {
    std::lock_guard<std::mutex> lock(g_fixes_mutex);
    g_fixes = fixes;
}
