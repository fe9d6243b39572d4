#include <ctime>

#include "finder/session_win.h"
#include "fs/wide_text.h"
#include "paths/files.h"
#include "paths/gbk_text.h"

namespace finder {

namespace {

std::string system_reason(DWORD code) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = text ? text : "错误 " + std::to_string(code);
    LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    return reason;
}

}  // namespace

HANDLE start_watched_program(const std::string& program_file, std::string* error) {
    const std::wstring file = fs::to_wide(program_file);
    const std::wstring folder = fs::to_wide(gbk::left(program_file, gbk::find_last(program_file, "\\") - 1));
    std::wstring command_line = L"\"" + file + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(file.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        *error = system_reason(GetLastError());
        return nullptr;
    }
    CloseHandle(info.hThread);
    return info.hProcess;
}

int64_t unix_now() { return static_cast<int64_t>(std::time(nullptr)); }

}  // namespace finder
