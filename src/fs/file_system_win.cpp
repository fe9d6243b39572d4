// The Win32 file system: wide-character APIs on \\?\ paths, so names GBK cannot spell and paths
// longer than 260 characters work. Also the public entry points on Windows.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "fs/file_system.h"
#include "fs/wide_text.h"
#include "fs/file_names.h"

namespace fs {

namespace {

std::wstring wide_path(const std::string& utf8) { return long_path(utf8_to_wide(utf8)); }

int64_t to_unix(const FILETIME& ft) {
    return fs::filetime_to_unix((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME to_filetime(int64_t unix_time) {
    uint64_t ticks = fs::unix_to_filetime(unix_time);
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

// A file opened without the system's buffering: it reads only whole sectors into aligned memory, so
// reads go through blocks of its own. One block is kept; an archive is read mostly in order.
class UncachedInput : public InputFile {
public:
    static constexpr std::size_t kBlock = 1u << 20;  // a multiple of every sector size
    explicit UncachedInput(HANDLE h)
        : h_(h), block_(static_cast<char*>(VirtualAlloc(nullptr, kBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}
    ~UncachedInput() override {
        if (block_) VirtualFree(block_, 0, MEM_RELEASE);
        CloseHandle(h_);
    }
    bool usable() const { return block_ != nullptr; }

    uint64_t size() override {
        LARGE_INTEGER size{};
        return GetFileSizeEx(h_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
    }

    int64_t read_at(uint64_t offset, void* buffer, std::size_t size) override {
        std::size_t total = 0;
        while (total < size) {
            const uint64_t at = offset + total, start = at - at % kBlock;
            if (start != block_start_ && !load(start)) return -1;
            if (at >= block_start_ + block_size_) break;  // the end of the file
            const std::size_t n = std::min<std::size_t>(size - total, static_cast<std::size_t>(block_start_ + block_size_ - at));
            std::memcpy(static_cast<char*>(buffer) + total, block_ + (at - block_start_), n);
            total += n;
        }
        return static_cast<int64_t>(total);
    }

private:
    bool load(uint64_t start) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(start);
        at.OffsetHigh = static_cast<DWORD>(start >> 32);
        DWORD got = 0;
        block_start_ = kNoBlock;
        if (!ReadFile(h_, block_, static_cast<DWORD>(kBlock), &got, &at) && GetLastError() != ERROR_HANDLE_EOF)
            return false;
        block_start_ = start;
        block_size_ = got;
        return true;
    }
    static constexpr uint64_t kNoBlock = ~uint64_t{0};
    HANDLE h_;
    char* block_;
    uint64_t block_start_ = kNoBlock;
    std::size_t block_size_ = 0;
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
DWORD rename_once(const std::wstring& source, const std::wstring& target, bool replace_existing) {
    HANDLE h = CreateFileW(source.c_str(), DELETE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    std::wstring name = target;
    if (name.rfind(L"\\\\?\\", 0) == 0) name[1] = L'?';
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = replace_existing ? TRUE : FALSE;
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
bool rename_over(const std::wstring& source, const std::wstring& target, bool replace_existing = true) {
    for (int attempt = 0;; ++attempt) {
        DWORD error = rename_once(source, target, replace_existing);
        if (error == 0) return true;
        if (attempt == 10 || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) return false;
        Sleep(50);
    }
}

// A link reports its own size and type; these are its target's, links followed. False when the
// target cannot be reached (a dangling link, a drive that is gone).
bool follow_link(const std::wstring& path, DirEntry* entry) {
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok) return false;
    entry->is_dir = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry->size = entry->is_dir ? 0 : (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    entry->mtime = to_unix(info.ftLastWriteTime);
    return true;
}

FileState state_of(const FILETIME& time, DWORD attributes) {
    return {static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime),
            static_cast<uint32_t>(attributes)};
}

class WinFileSystem : public FileSystem {
public:
    uint8_t zip_host() const override { return 11; }

    bool stat(const std::string& path, DirEntry* info) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(wide_path(path).c_str(), GetFileExInfoStandard, &data)) return false;
        info->is_dir = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        info->size = info->is_dir ? 0 : (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        info->mtime = to_unix(data.ftLastWriteTime);
        return true;
    }

    // Junctions, symbolic links and cloud placeholders are listed like what they lead to; reading
    // through them follows them (and fetches a placeholder's data).
    bool list_dir(const std::string& path, std::vector<DirEntry>* entries) override {
        std::wstring dir = wide_path(path);
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileExW((dir + L"\\*").c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                                    FIND_FIRST_EX_LARGE_FETCH);
        if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            DirEntry e;
            e.name = wide_to_utf8(name);
            e.is_dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            e.size = e.is_dir ? 0 : (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
            e.mtime = to_unix(fd.ftLastWriteTime);
            e.is_link = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (!e.is_link) e.state = state_of(fd.ftLastWriteTime, fd.dwFileAttributes);
            if (e.is_link) e.unreachable = !follow_link(dir + L"\\" + name, &e);
            entries->push_back(std::move(e));
        } while (FindNextFileW(h, &fd));
        bool ok = GetLastError() == ERROR_NO_MORE_FILES;
        FindClose(h);
        return ok;
    }

    std::optional<FolderId> folder_id(const std::string& path) override {
        HANDLE h = CreateFileW(wide_path(path).c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return std::nullopt;
        std::optional<FolderId> id;
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(h, &info))
            id = FolderId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
        CloseHandle(h);
        return id;
    }

    // The final path comes as \\?\C:\… or \\?\UNC\server\…; the prefix goes again.
    std::string real_path(const std::string& path) override {
        HANDLE h = CreateFileW(wide_path(path).c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return "";
        std::wstring name(MAX_PATH, L'\0');
        DWORD n = GetFinalPathNameByHandleW(h, &name[0], static_cast<DWORD>(name.size()), FILE_NAME_NORMALIZED);
        if (n >= name.size()) {
            name.resize(n + 1);
            n = GetFinalPathNameByHandleW(h, &name[0], static_cast<DWORD>(name.size()), FILE_NAME_NORMALIZED);
        }
        CloseHandle(h);
        if (n == 0 || n >= name.size()) return "";
        name.resize(n);
        if (name.rfind(L"\\\\?\\UNC\\", 0) == 0) name = L"\\" + name.substr(7);
        else if (name.rfind(L"\\\\?\\", 0) == 0) name = name.substr(4);
        return wide_to_utf8(name);
    }

    std::unique_ptr<InputFile> open_read(const std::string& path) override {
        HANDLE h = CreateFileW(wide_path(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : std::make_unique<WinInput>(h);
    }

    std::unique_ptr<InputFile> open_read_uncached(const std::string& path) override {
        HANDLE h = CreateFileW(wide_path(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_NO_BUFFERING, nullptr);
        if (h == INVALID_HANDLE_VALUE) return open_read(path);
        auto in = std::make_unique<UncachedInput>(h);
        if (!in->usable()) return open_read(path);
        return in;
    }

    std::unique_ptr<OutputFile> create_new(const std::string& path) override {
        HANDLE h = CreateFileW(wide_path(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : std::make_unique<WinOutput>(h);
    }

    bool make_dir(const std::string& path, bool* created) override {
        std::wstring w = wide_path(path);
        *created = CreateDirectoryW(w.c_str(), nullptr) != 0;
        if (*created) return true;
        DWORD attributes = GetFileAttributesW(w.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    // A read-only save is replaced all the same (a restore is what the user asked for), and the new
    // file is made read-only again.
    bool replace(const std::string& from, const std::string& to) override {
        std::wstring source = wide_path(from), target = wide_path(to);
        DWORD attributes = GetFileAttributesW(target.c_str());
        bool read_only = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
                         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (read_only) SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        bool moved = rename_over(source, target);
        if (read_only) SetFileAttributesW(target.c_str(), attributes);
        return moved;
    }

    // Through a handle too: MoveFileExW looks the target up once more, and under Wine each look-up
    // of a name that is not there reads the whole folder.
    bool rename(const std::string& from, const std::string& to) override {
        return rename_over(wide_path(from), wide_path(to), false);
    }

    // A read-only file is removed all the same: only files of the engine's own are removed.
    bool remove_file(const std::string& path) override {
        std::wstring w = wide_path(path);
        if (DeleteFileW(w.c_str())) return true;
        DWORD attributes = GetFileAttributesW(w.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
        SetFileAttributesW(w.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        return DeleteFileW(w.c_str()) != 0;
    }

    bool get_state(const std::string& path, FileState* state) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(wide_path(path).c_str(), GetFileExInfoStandard, &data)) return false;
        *state = state_of(data.ftLastWriteTime, data.dwFileAttributes);
        return true;
    }

    // A new file is made FILE_ATTRIBUTE_NORMAL and the system marks it for archiving.
    bool plain_attributes(uint32_t attributes) override {
        return (attributes & ~static_cast<uint32_t>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL)) == 0;
    }

    // The time first: a read-only file still takes a new time, but not after it is read-only.
    bool set_state(const std::string& path, const FileState& state) override {
        std::wstring w = wide_path(path);
        HANDLE h = CreateFileW(w.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        const auto ticks = static_cast<uint64_t>(state.time);
        FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        bool ok = SetFileTime(h, nullptr, nullptr, &ft) != 0;
        CloseHandle(h);
        return SetFileAttributesW(w.c_str(), state.attributes) != 0 && ok;
    }

    bool copy_attributes(const std::string& from, const std::string& to) override {
        DWORD attributes = GetFileAttributesW(wide_path(from).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && SetFileAttributesW(wide_path(to).c_str(), attributes) != 0;
    }
    bool remove_dir(const std::string& path) override { return RemoveDirectoryW(wide_path(path).c_str()) != 0; }
};

}  // namespace

FileSystem& platform_file_system() {
    static WinFileSystem fs;
    return fs;
}

}  // namespace fs
