// The file-system seam of the ZIP engine: a POSIX implementation for the host, a Win32 wide-API one
// for Windows, and test doubles that fail on purpose.
//
// Every path handed to a FileSystem is UTF-8 with '/' separators (on a host whose own names are not
// UTF-8, the raw bytes). All members may be called from several threads at once; an open file is
// used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zip {

constexpr int64_t kKeepTime = INT64_MIN;

struct DirEntry {
    std::string name;  // one path component
    bool is_dir = false;
    uint64_t size = 0;
    int64_t mtime = 0;  // seconds since 1970-01-01 UTC
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

    // Text: a path from the program (ANSI code page) to UTF-8; UTF-8 to ANSI text for messages; a
    // name from an archive written without the UTF-8 flag to UTF-8.
    virtual std::string from_ansi(const std::string& text) = 0;
    virtual std::string to_ansi(const std::string& utf8) = 0;
    virtual std::string from_legacy_name(const std::string& raw) = 0;
    // Host byte of "version made by": 3 (Unix) or 11 (NTFS); it also decides the attribute format.
    virtual uint8_t zip_host() const = 0;

    virtual bool stat(const std::string& path, DirEntry* info) = 0;  // false when missing
    // Folders, regular files and links to files; links to folders are left out so a walk ends.
    virtual bool list_dir(const std::string& path, std::vector<DirEntry>* entries) = 0;
    virtual std::unique_ptr<InputFile> open_read(const std::string& path) = 0;
    virtual std::unique_ptr<OutputFile> create_new(const std::string& path) = 0;  // fails if present
    // True when the folder exists afterwards; *created tells whether this call made it.
    virtual bool make_dir(const std::string& path, bool* created) = 0;
    // Moves `from` over `to`, replacing a file of that name in one step. A folder moves only to a
    // name that is free.
    virtual bool replace(const std::string& from, const std::string& to) = 0;
    virtual bool remove_file(const std::string& path) = 0;
    virtual bool remove_dir(const std::string& path) = 0;  // empty folders only
};

// The platform's own: POSIX on the host, Win32 on Windows.
FileSystem& platform_file_system();

}  // namespace zip
