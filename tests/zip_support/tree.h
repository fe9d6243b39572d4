// Test trees on the host: temporary folders, files written and read whole, a tree as a map.
#pragma once

#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace zip_test {

namespace stdfs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string pattern = (stdfs::temp_directory_path() / "varnoke-zip-XXXXXX").string();
        path_ = ::mkdtemp(&pattern[0]) ? pattern : "";
    }
    ~TempDir() {
        std::error_code ec;
        stdfs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void write_file(const std::string& path, const std::string& data) {
    stdfs::create_directories(stdfs::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void set_mtime(const std::string& path, time_t t) {
    struct utimbuf times{t, t};
    ::utime(path.c_str(), &times);
}

inline time_t mtime_of(const std::string& path) {
    struct stat st{};
    ::stat(path.c_str(), &st);
    return st.st_mtime;
}

// Relative path ("dir/" for folders) to contents.
using Tree = std::map<std::string, std::string>;

inline Tree read_tree(const std::string& root) {
    Tree tree;
    for (auto it = stdfs::recursive_directory_iterator(root); it != stdfs::recursive_directory_iterator(); ++it) {
        std::string rel = stdfs::relative(it->path(), root).generic_string();
        if (it->is_directory()) tree[rel + "/"] = "";
        else tree[rel] = read_file(it->path().string());
    }
    return tree;
}

inline std::string random_bytes(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

inline std::string text_like(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    static const char* words[] = {"level", "gold", "hp", "quest", "inventory", "x", "y", "true", "false"};
    std::string s;
    while (s.size() < size) s += std::string(words[rng() % 9]) + "=" + std::to_string(rng() % 1000) + "\n";
    s.resize(size);
    return s;
}

// 64 KiB blocks, random and text in turn, random first.
inline std::string alternating_blocks(int count, unsigned seed) {
    std::string s;
    for (int i = 0; i < count; ++i) s += i % 2 ? text_like(64 * 1024, seed + i) : random_bytes(64 * 1024, seed + i);
    return s;
}

inline bool tool_exists(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace zip_test
