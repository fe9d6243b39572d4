#include <windows.h>

#include "fs/wide_text.h"
#include "paths/files.h"
#include "paths/gbk_text.h"

namespace files {

using fs::to_ansi;
using fs::to_wide;

bool drive_exists(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    return letter >= 'A' && letter <= 'Z' && (GetLogicalDrives() >> (letter - 'A') & 1) != 0;
}

std::string environment_variable(const std::string& name) {
    if (name.empty()) return {};
    std::wstring wname = to_wide(name);
    DWORD n = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    n = GetEnvironmentVariableW(wname.c_str(), value.data(), n);
    value.resize(n);
    return to_ansi(value);
}

std::string executable_path() {
    char buf[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return std::string(buf, n);
}

std::string executable_dir() {
    std::string dir = gbk::up_to_last_backslash(executable_path());
    if (!dir.empty()) dir.pop_back();
    return dir;
}

}  // namespace files
