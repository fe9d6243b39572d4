#include <windows.h>

#include "paths/files.h"
#include "paths/gbk_text.h"

namespace files {

namespace {

std::wstring widen(const std::string& text, UINT code_page) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string narrow(const std::wstring& wide, UINT code_page) {
    if (wide.empty()) return {};
    int n = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

// Names found in `folder` by a find-first pattern; `want_dirs` picks folders or files.
std::vector<std::string> find_names(const std::string& folder, const std::string& pattern, bool want_dirs) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileExW((long_path(folder) + L"\\" + to_wide(pattern)).c_str(), FindExInfoBasic, &fd,
                                FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = fd.cFileName;
        const bool dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (name != L"." && name != L".." && dir == want_dirs) names.push_back(to_ansi(name));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

}  // namespace

std::wstring to_wide(const std::string& ansi) { return widen(ansi, CP_ACP); }
std::string to_ansi(const std::wstring& wide) { return narrow(wide, CP_ACP); }
std::wstring utf8_to_wide(const std::string& utf8) { return widen(utf8, CP_UTF8); }
std::string wide_to_utf8(const std::wstring& wide) { return narrow(wide, CP_UTF8); }

std::wstring long_path(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    if (path.empty() || path.rfind(L"\\\\?\\", 0) == 0) return path;
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), size, full.data(), nullptr));
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

bool exists(const std::string& path) {
    if (path.empty()) return false;
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(long_path(path).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

std::optional<unsigned long> attributes(const std::string& path) {
    if (path.empty()) return std::nullopt;
    DWORD a = GetFileAttributesW(long_path(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return a;
}

bool is_directory(const std::string& path) {
    std::optional<unsigned long> a = attributes(path);
    return a && (*a & FILE_ATTRIBUTE_DIRECTORY);
}

bool is_file(const std::string& path) {
    std::optional<unsigned long> a = attributes(path);
    return a && !(*a & FILE_ATTRIBUTE_DIRECTORY);
}

bool set_attributes(const std::string& path, unsigned long a) {
    return !path.empty() && SetFileAttributesW(long_path(path).c_str(), a) != FALSE;
}

bool create_directory(const std::string& path) {
    return !path.empty() && CreateDirectoryW(long_path(path).c_str(), nullptr) != FALSE;
}

bool delete_file(const std::string& path) { return !path.empty() && DeleteFileW(long_path(path).c_str()) != FALSE; }

bool move(const std::string& from, const std::string& to) {
    return !from.empty() && !to.empty() && MoveFileW(long_path(from).c_str(), long_path(to).c_str()) != FALSE;
}

bool write_bytes(const std::string& path, const std::string& bytes) {
    if (path.empty()) return false;
    HANDLE f = CreateFileW(long_path(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ok = CloseHandle(f) && ok;
    return ok && written == bytes.size();
}

std::optional<std::string> read_bytes(const std::string& path, size_t limit) {
    if (path.empty()) return std::nullopt;
    HANDLE f = CreateFileW(long_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::nullopt;
    LARGE_INTEGER size{};
    std::optional<std::string> data;
    if (GetFileSizeEx(f, &size) && static_cast<uint64_t>(size.QuadPart) <= limit) {
        std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
        DWORD got = 0;
        if (ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size())
            data = std::move(bytes);
    }
    CloseHandle(f);
    return data;
}

std::vector<std::string> matching_files(const std::string& folder, const std::string& pattern) {
    return find_names(folder, pattern, false);
}

std::vector<std::string> sub_folders(const std::string& folder) { return find_names(folder, "*", true); }

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
