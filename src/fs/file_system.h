// The file-system port: every file call of the program goes through it. A POSIX implementation for
// the host, a Win32 wide-API one for Windows, one in memory, and test doubles that fail on purpose.
// Each entry point (WinMain, the command line, a test) makes one and hands it down.
//
// Every path handed to a FileSystem is UTF-8 with '/' separators (on a host whose own names are not
// UTF-8, the raw bytes). All members may be called from several threads at once; an open file is
// used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fs/file_names.h"

namespace fs {

constexpr int64_t kKeepTime = INT64_MIN;

// Windows file times count 100-ns ticks from 1601-01-01 UTC; listings and archives keep Unix seconds.
constexpr int64_t kEpochDifference = 11644473600LL;  // 1601-01-01 to 1970-01-01 in seconds
inline int64_t filetime_to_unix(uint64_t ticks) { return static_cast<int64_t>(ticks / 10000000) - kEpochDifference; }
inline uint64_t unix_to_filetime(int64_t seconds) {  // times before 1601 become 1601
    return static_cast<uint64_t>(std::max<int64_t>(seconds + kEpochDifference, 0)) * 10000000;
}

// A file's modification time in the system's own unit (100 ns since 1601 on Windows, ns since 1970
// elsewhere) and its attributes (FILE_ATTRIBUTE_* on Windows, the mode bits elsewhere).
struct FileState {
    int64_t time = 0;
    uint32_t attributes = 0;
};

struct DirEntry {
    std::string name;  // one path component
    bool is_dir = false;
    uint64_t size = 0;
    int64_t mtime = 0;  // seconds since 1970-01-01 UTC
    bool is_link = false;      // a symbolic link, junction or other reparse point; followed when read
    bool unreachable = false;  // neither a file nor a folder can be reached through it
    std::optional<FileState> state;  // where the listing gives it at no extra call (not for links)
};

// What makes two paths the same folder: the volume and the file ID, links followed.
struct FolderId {
    uint64_t volume = 0;
    uint64_t high = 0, low = 0;
    bool operator<(const FolderId& o) const {
        return volume != o.volume ? volume < o.volume : high != o.high ? high < o.high : low < o.low;
    }
};

class InputFile {
public:
    virtual ~InputFile() = default;
    virtual uint64_t size() = 0;
    // Reads up to `size` bytes at `offset`; fewer only at the end of the file. -1 on error.
    virtual int64_t read_at(uint64_t offset, void* buffer, std::size_t size) = 0;
};

class OutputFile {
public:
    virtual ~OutputFile() = default;  // closes without syncing when close() was not called
    virtual bool write(const void* data, std::size_t size) = 0;  // appends
    // Overwrites bytes already written; the append position stays where it was.
    virtual bool write_at(uint64_t offset, const void* data, std::size_t size) = 0;
    // Sets the modification time (unless kKeepTime), optionally flushes to the disk, closes.
    virtual bool close(int64_t mtime, bool sync_to_disk) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Host byte of "version made by": 3 (Unix) or 11 (NTFS); it also decides the attribute format.
    virtual uint8_t zip_host() const = 0;

    virtual bool stat(const std::string& path, DirEntry* info) = 0;  // false when missing
    bool exists(const std::string& path) {
        DirEntry info;
        return stat(path, &info);
    }
    bool is_folder(const std::string& path) {
        DirEntry info;
        return stat(path, &info) && info.is_dir;
    }
    // Folders, files and links to either (marked is_link, typed and sized by their target). A link
    // whose target cannot be reached, or anything that is neither file nor folder (a pipe, a
    // device), is listed as unreachable so that the caller can say it was left out.
    virtual bool list_dir(const std::string& path, std::vector<DirEntry>* entries) = 0;
    // The identity of a folder, links followed; nullopt when it cannot be reached. File systems
    // without links may keep this default, which tells folders apart by their paths.
    virtual std::optional<FolderId> folder_id(const std::string& path) {
        return FolderId{0, 0, std::hash<std::string>{}(path)};
    }
    // The path of an existing folder with every link on the way resolved, "" when it cannot be
    // reached. File systems without links may keep this default.
    virtual std::string real_path(const std::string& path) { return exists(path) ? path : ""; }
    virtual std::unique_ptr<InputFile> open_read(const std::string& path) = 0;
    // The same, read from the disk rather than from what the system keeps of the file in memory,
    // where the platform allows: a check of a backup must see what a restore weeks later will see.
    virtual std::unique_ptr<InputFile> open_read_uncached(const std::string& path) { return open_read(path); }
    virtual std::unique_ptr<OutputFile> create_new(const std::string& path) = 0;  // fails if present
    // True when the folder exists afterwards; *created tells whether this call made it.
    virtual bool make_dir(const std::string& path, bool* created) = 0;
    // Moves `from` over `to`, replacing a file of that name in one step. A folder moves only to a
    // name that is free.
    virtual bool replace(const std::string& from, const std::string& to) = 0;
    // Moves `from` (a file or a folder) to `to`, which must not exist.
    virtual bool rename(const std::string& from, const std::string& to) { return !exists(to) && replace(from, to); }
    virtual bool remove_file(const std::string& path) = 0;
    virtual bool remove_dir(const std::string& path) = 0;  // empty folders only
    // The exact time and attributes of a file, and setting them back; false where not supported.
    virtual bool get_state(const std::string& /*path*/, FileState* /*state*/) { return false; }
    virtual bool set_state(const std::string& /*path*/, const FileState& /*state*/) { return false; }
    // Gives `to` the attributes of `from` (read-only, hidden …) where the system has such.
    virtual bool copy_attributes(const std::string& /*from*/, const std::string& /*to*/) { return true; }
    // Whether a file this system creates has these attributes already, so that copying them onto
    // one is a file call that can be left out.
    virtual bool plain_attributes(uint32_t /*attributes*/) { return false; }
};

// The platform's own: POSIX on the host, Win32 on Windows.
FileSystem& platform_file_system();

// Writes `bytes` under a temporary name beside `path`, flushes them to the disk and moves them over
// `path` in one step: a reader finds the old file or the new one whole, never a part. On failure
// the old file stays as it was and the temporary is gone. With `replace` false the file must not
// be there yet: what was taken for missing is never overwritten.
bool write_file_atomically(FileSystem& fs, const std::string& path, const std::string& bytes, bool replace = true);
// Removes what writes ended by force left in `folder`: files named as write_file_atomically's
// temporaries. A temporary another process is still writing is held open and stays.
void remove_temporaries(FileSystem& fs, const std::string& folder);
// Makes a folder and every folder above it that is missing; true when the folder is there afterwards.
bool make_dirs(FileSystem& fs, const std::string& path);
// The whole file, when it can be read and holds at most `limit` bytes.
std::optional<std::string> read_whole_file(FileSystem& fs, const std::string& path, std::size_t limit);

}  // namespace fs
