#include "paths/folders_win.h"

#include <windows.h>

#include <shlobj.h>

#include "paths/files.h"

namespace {

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
