#include <windows.h>

#include <shellapi.h>

#include <algorithm>

#include "fs/recycle_bin.h"
#include "fs/wide_text.h"

namespace fs {

namespace {

class ShellRecycleBin : public RecycleBin {
   public:
    // A program that holds the file without letting others delete it refuses this open.
    bool in_use(const std::string& path) override {
        HANDLE h = CreateFileW(long_path(utf8_to_wide(path)).c_str(), DELETE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return false;
        }
        const DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
               error == ERROR_ACCESS_DENIED;
    }

    // FOF_ALLOWUNDO sends them to the Recycle Bin; the tool has asked already, so the shell does not.
    // The shell takes plain paths, with '\'.
    bool move_to_bin(const std::vector<std::string>& paths) override {
        if (paths.empty()) return true;
        std::wstring from;
        for (const std::string& p : paths) from += utf8_to_wide(p) + L'\0';
        from += L'\0';
        std::replace(from.begin(), from.end(), L'/', L'\\');
        SHFILEOPSTRUCTW op{};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
        return SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
    }
};

}  // namespace

RecycleBin& platform_recycle_bin() {
    static ShellRecycleBin bin;
    return bin;
}

}  // namespace fs
