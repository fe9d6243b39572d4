#include <windows.h>
#include <tlhelp32.h>

#include "backup/processes.h"
#include "paths/gbk_text.h"

namespace backup {

bool is_program_running(const std::string& exe_name) {
    if (exe_name.empty()) return false;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snap, &entry); more && !found; more = Process32Next(snap, &entry))
        found = gbk::equals_no_case(entry.szExeFile, exe_name);
    CloseHandle(snap);
    return found;
}

}  // namespace backup
