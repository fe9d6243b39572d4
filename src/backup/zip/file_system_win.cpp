// The Win32 file system: wide-character APIs on \\?\ paths, so names GBK cannot spell and paths
// longer than 260 characters work. Also the public entry points on Windows.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "backup/zip/engine.h"
#include "backup/zip/file_system.h"

namespace zip {

namespace {

constexpr int64_t kEpochDifference = 11644473600LL;  // 1601-01-01 to 1970-01-01 in seconds

std::wstring widen(const std::string& text, UINT code_page) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string narrow(const std::wstring& wide, UINT code_page) {
    if (wide.empty()) return {};
    int n = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string text(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n, nullptr, nullptr);
    return text;
}

// Absolute, '\'-separated and prefixed with \\?\ (or \\?\UNC\), which lifts the 260-character limit.
std::wstring long_path(const std::string& utf8) {
    std::wstring path = widen(utf8, CP_UTF8);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    if (path.empty() || path.rfind(L"\\\\?\\", 0) == 0) return path;
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), size, &full[0], nullptr));
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

int64_t to_unix(const FILETIME& ft) {
    uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000000) - kEpochDifference;
}

FILETIME to_filetime(int64_t unix_time) {
    uint64_t ticks = static_cast<uint64_t>(std::max<int64_t>(unix_time + kEpochDifference, 0)) * 10000000;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// Reads and writes go through the file pointer rather than an OVERLAPPED offset: under Wine each
// call with an OVERLAPPED costs one more round trip to the server. A file object serves one thread.
bool seek(HANDLE h, uint64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(h, to, nullptr, FILE_BEGIN) != 0;
}

constexpr uint64_t kUnknownPosition = UINT64_MAX;

class WinInput : public InputFile {
public:
    explicit WinInput(HANDLE h) : h_(h) {}
    ~WinInput() override { CloseHandle(h_); }

    uint64_t size() override {
        LARGE_INTEGER size{};
        return GetFileSizeEx(h_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
    }

    int64_t read_at(uint64_t offset, void* buffer, std::size_t size) override {
        if (offset != position_ && !seek(h_, offset)) return -1;
        position_ = kUnknownPosition;
        std::size_t total = 0;
        while (total < size) {
            DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - total, 1u << 30)), got = 0;
            if (!ReadFile(h_, static_cast<char*>(buffer) + total, want, &got, nullptr)) return -1;
            if (got == 0) break;
            total += got;
        }
        position_ = offset + total;
        return static_cast<int64_t>(total);
    }

private:
    HANDLE h_;
    uint64_t position_ = 0;
};

class WinOutput : public OutputFile {
public:
    explicit WinOutput(HANDLE h) : h_(h) {}
    ~WinOutput() override {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }

    bool write(const void* data, std::size_t size) override {
        if (!write_at(end_, data, size)) return false;
        end_ += size;
        return true;
    }

    bool write_at(uint64_t offset, const void* data, std::size_t size) override {
        if (offset != position_ && !seek(h_, offset)) return false;
        position_ = kUnknownPosition;
        for (std::size_t done = 0; done < size;) {
            DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30)), put = 0;
            if (!WriteFile(h_, static_cast<const char*>(data) + done, want, &put, nullptr) || put == 0) return false;
            done += put;
        }
        position_ = offset + size;
        return true;
    }

    bool close(int64_t mtime, bool sync_to_disk) override {
        bool ok = true;
        if (mtime != kKeepTime) {
            FILETIME ft = to_filetime(mtime);
            ok = SetFileTime(h_, nullptr, nullptr, &ft) != 0;
        }
        if (sync_to_disk) ok = FlushFileBuffers(h_) && ok;
        ok = CloseHandle(h_) && ok;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
    uint64_t end_ = 0, position_ = 0;
};

// Renames a file or folder through a handle on it, replacing a file at the target: fewer calls than
// MoveFileExW, which also opens the target and queries the source. The name goes in NT form (\??\),
// which every Windows version takes here. 0 or the error.
DWORD rename_once(const std::wstring& source, const std::wstring& target) {
    HANDLE h = CreateFileW(source.c_str(), DELETE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    std::wstring name = target;
    if (name.rfind(L"\\\\?\\", 0) == 0) name[1] = L'?';
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, name.data(), info->FileNameLength);
    bool renamed = SetFileInformationByHandle(h, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
    DWORD error = renamed ? 0 : GetLastError();
    CloseHandle(h);
    return error;
}

// Another program (a virus scanner) may hold a file just written, or one inside a new folder, for a
// moment: a refusal is tried again for up to half a second.
bool rename_over(const std::wstring& source, const std::wstring& target) {
    for (int attempt = 0;; ++attempt) {
        DWORD error = rename_once(source, target);
        if (error == 0) return true;
        if (attempt == 10 || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) return false;
        Sleep(50);
    }
}

// A link to a file reports its own size; the data read through it is the target's.
uint64_t linked_file_size(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size{};
    if (h == INVALID_HANDLE_VALUE) return 0;
    GetFileSizeEx(h, &size);
    CloseHandle(h);
    return static_cast<uint64_t>(size.QuadPart);
}

class WinFileSystem : public FileSystem {
public:
    std::string from_ansi(const std::string& text) override { return narrow(widen(text, CP_ACP), CP_UTF8); }
    std::string to_ansi(const std::string& utf8) override { return narrow(widen(utf8, CP_UTF8), CP_ACP); }
    std::string from_legacy_name(const std::string& raw) override { return from_ansi(raw); }
    uint8_t zip_host() const override { return 11; }

    bool stat(const std::string& path, DirEntry* info) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(long_path(path).c_str(), GetFileExInfoStandard, &data)) return false;
        info->is_dir = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        info->size = info->is_dir ? 0 : (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        info->mtime = to_unix(data.ftLastWriteTime);
        return true;
    }

    bool list_dir(const std::string& path, std::vector<DirEntry>* entries) override {
        std::wstring dir = long_path(path);
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileExW((dir + L"\\*").c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                                    FIND_FIRST_EX_LARGE_FETCH);
        if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
        do {
            std::wstring name = fd.cFileName;
            bool is_dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            bool link = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (name == L"." || name == L".." || (is_dir && link)) continue;
            uint64_t size = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
            if (link && !is_dir) size = linked_file_size(dir + L"\\" + name);
            entries->push_back(DirEntry{narrow(name, CP_UTF8), is_dir, is_dir ? 0 : size, to_unix(fd.ftLastWriteTime)});
        } while (FindNextFileW(h, &fd));
        bool ok = GetLastError() == ERROR_NO_MORE_FILES;
        FindClose(h);
        return ok;
    }

    std::unique_ptr<InputFile> open_read(const std::string& path) override {
        HANDLE h = CreateFileW(long_path(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : std::make_unique<WinInput>(h);
    }

    std::unique_ptr<OutputFile> create_new(const std::string& path) override {
        HANDLE h = CreateFileW(long_path(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : std::make_unique<WinOutput>(h);
    }

    bool make_dir(const std::string& path, bool* created) override {
        std::wstring w = long_path(path);
        *created = CreateDirectoryW(w.c_str(), nullptr) != 0;
        if (*created) return true;
        DWORD attributes = GetFileAttributesW(w.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    // A read-only save is replaced all the same (a restore is what the user asked for), and the new
    // file is made read-only again.
    bool replace(const std::string& from, const std::string& to) override {
        std::wstring source = long_path(from), target = long_path(to);
        DWORD attributes = GetFileAttributesW(target.c_str());
        bool read_only = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
                         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (read_only) SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        bool moved = rename_over(source, target);
        if (read_only) SetFileAttributesW(target.c_str(), attributes);
        return moved;
    }

    bool remove_file(const std::string& path) override { return DeleteFileW(long_path(path).c_str()) != 0; }
    bool remove_dir(const std::string& path) override { return RemoveDirectoryW(long_path(path).c_str()) != 0; }
};

}  // namespace

FileSystem& platform_file_system() {
    static WinFileSystem fs;
    return fs;
}

Result compress_folder(const std::string& source_dir, const std::string& archive_path, const ProgressFn& progress,
                       const Options& options) {
    FileSystem& fs = options.fs ? *options.fs : platform_file_system();
    return compress_with(fs, source_dir, archive_path, progress, options);
}

Result extract_archive(const std::string& archive_path, const std::string& target_dir, const ProgressFn& progress,
                       const Options& options) {
    FileSystem& fs = options.fs ? *options.fs : platform_file_system();
    return extract_with(fs, archive_path, target_dir, progress, options);
}

}  // namespace zip
