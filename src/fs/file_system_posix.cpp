// The POSIX file system, used on every host but Windows, and the public entry points there.
#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "fs/file_system.h"
#include "fs/file_names.h"

namespace fs {

namespace {

int64_t mtime_of(const struct stat& st) { return static_cast<int64_t>(st.st_mtim.tv_sec); }

class PosixInput : public InputFile {
public:
    explicit PosixInput(int fd) : fd_(fd) {}
    ~PosixInput() override { ::close(fd_); }
    int fd() const { return fd_; }

    uint64_t size() override {
        struct stat st;
        return ::fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    }

    int64_t read_at(uint64_t offset, void* buffer, std::size_t size) override {
        std::size_t total = 0;
        while (total < size) {
            ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + total, size - total,
                                static_cast<off_t>(offset + total));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return -1;
            if (n == 0) break;
            total += static_cast<std::size_t>(n);
        }
        return static_cast<int64_t>(total);
    }

private:
    int fd_;
};

bool write_fully(int fd, const void* data, std::size_t size, int64_t offset) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = offset < 0 ? ::write(fd, p, size) : ::pwrite(fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
        if (offset >= 0) offset += n;
    }
    return true;
}

class PosixOutput : public OutputFile {
public:
    explicit PosixOutput(int fd) : fd_(fd) {}
    ~PosixOutput() override {
        if (fd_ >= 0) ::close(fd_);
    }

    bool write(const void* data, std::size_t size) override { return write_fully(fd_, data, size, -1); }

    bool write_at(uint64_t offset, const void* data, std::size_t size) override {
        return write_fully(fd_, data, size, static_cast<int64_t>(offset));
    }

    bool close(int64_t mtime, bool sync_to_disk) override {
        bool ok = true;
        if (mtime != kKeepTime) {
            struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(mtime), 0}};
            ok = ::futimens(fd_, times) == 0;
        }
        if (sync_to_disk) ok = ::fsync(fd_) == 0 && ok;
        ok = ::close(fd_) == 0 && ok;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
};

std::string convert(const std::string& text, const char* to, const char* from) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out(text.size() * 2 + 8, '\0');
    char* in_p = const_cast<char*>(text.data());
    char* out_p = &out[0];
    std::size_t in_left = text.size(), out_left = out.size();
    std::size_t rc = ::iconv(cd, &in_p, &in_left, &out_p, &out_left);
    ::iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) return text;
    out.resize(out.size() - out_left);
    return out;
}

class PosixFileSystem : public FileSystem {
public:
    uint8_t zip_host() const override { return 3; }

    bool stat(const std::string& path, DirEntry* info) override {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) return false;
        info->is_dir = S_ISDIR(st.st_mode);
        info->size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
        info->mtime = mtime_of(st);
        return true;
    }

    // Symbolic links are listed like what they lead to; reading through them follows them.
    bool list_dir(const std::string& path, std::vector<DirEntry>* entries) override {
        DIR* d = ::opendir(path.c_str());
        if (!d) return false;
        int dir_fd = ::dirfd(d);
        for (;;) {
            errno = 0;  // readdir tells its end from an error only through errno
            dirent* ent = ::readdir(d);
            if (!ent) break;
            std::string name = ent->d_name;
            if (name == "." || name == "..") continue;
            struct stat st;
            if (::fstatat(dir_fd, ent->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
            DirEntry e;
            e.name = name;
            e.is_link = S_ISLNK(st.st_mode);
            if (e.is_link && ::fstatat(dir_fd, ent->d_name, &st, 0) != 0) st.st_mode = 0;
            e.is_dir = S_ISDIR(st.st_mode);
            e.unreachable = !e.is_dir && !S_ISREG(st.st_mode);
            e.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
            e.mtime = mtime_of(st);
            if (!e.is_link) e.state = state_of(st);
            entries->push_back(std::move(e));
        }
        bool ok = errno == 0;
        ::closedir(d);
        return ok;
    }

    std::optional<FolderId> folder_id(const std::string& path) override {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
        return FolderId{static_cast<uint64_t>(st.st_dev), 0, static_cast<uint64_t>(st.st_ino)};
    }

    std::string real_path(const std::string& path) override {
        char* real = ::realpath(path.c_str(), nullptr);
        if (!real) return "";
        std::string result = real;
        std::free(real);
        return result;
    }

    std::unique_ptr<InputFile> open_read(const std::string& path) override {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        return std::make_unique<PosixInput>(fd);
    }

    // Pages of the file still cached are dropped first (only clean ones can be), so reads go to the disk.
    std::unique_ptr<InputFile> open_read_uncached(const std::string& path) override {
        std::unique_ptr<InputFile> in = open_read(path);
        if (!in) return nullptr;
        ::posix_fadvise(static_cast<PosixInput&>(*in).fd(), 0, 0, POSIX_FADV_DONTNEED);
        return in;
    }

    std::unique_ptr<OutputFile> create_new(const std::string& path) override {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        return fd < 0 ? nullptr : std::make_unique<PosixOutput>(fd);
    }

    bool make_dir(const std::string& path, bool* created) override {
        *created = ::mkdir(path.c_str(), 0755) == 0;
        if (*created) return true;
        struct stat st;
        return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    bool replace(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0;
    }

    bool remove_file(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

    bool get_state(const std::string& path, FileState* state) override {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) return false;
        *state = state_of(st);
        return true;
    }

    // create_new asks for 0644, less what the umask takes away.
    bool plain_attributes(uint32_t attributes) override { return attributes == (0644u & ~new_file_mask_); }

    bool set_state(const std::string& path, const FileState& state) override {
        struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(state.time / 1000000000), state.time % 1000000000}};
        bool ok = ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
        return ::chmod(path.c_str(), state.attributes) == 0 && ok;
    }
    bool remove_dir(const std::string& path) override { return ::rmdir(path.c_str()) == 0; }

private:
    static FileState state_of(const struct stat& st) {
        return {static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                static_cast<uint32_t>(st.st_mode & 07777)};
    }
    static uint32_t current_umask() {
        const mode_t mask = ::umask(022);
        ::umask(mask);
        return mask;
    }
    const uint32_t new_file_mask_ = current_umask();
};

// '\' is a separator only where it stands as a character of its own, never as a GBK trail byte.
std::string with_separator(std::string text, char from, char to) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x81 && c != 0xff && i + 1 < text.size()) ++i;
        else if (text[i] == from) text[i] = to;
    }
    return text;
}

}  // namespace

// The host is where the tests run: a path keeps its bytes, only the separators are the file
// world's. Messages are GBK like the rest of the program's text.
std::string path_of(const std::string& ansi) { return with_separator(ansi, '\\', '/'); }

std::string shown_name(const std::string& name) {
    return is_valid_utf8(name) ? convert(name, "GBK//TRANSLIT", "UTF-8") : name;
}

std::string shown(const std::string& path) { return with_separator(shown_name(path), '/', '\\'); }

// Host names are bytes: a name from another tool is kept byte for byte.
std::string legacy_name(const std::string& raw) { return raw; }

FileSystem& platform_file_system() {
    static PosixFileSystem fs;
    return fs;
}

}  // namespace fs

#endif  // _WIN32
