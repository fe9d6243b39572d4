// A file system held in memory, for trees too large to be quick on a disk (tens of thousands of
// entries). Paths are compared as strings, as the engine builds them; with ignore_case set, a file's
// last component is found whatever its case, as on Windows.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "backup/zip/case_fold.h"
#include "backup/zip/file_system.h"

namespace zip_test {

class MemoryFileSystem : public zip::FileSystem {
public:
    struct Node {
        bool is_dir = false;
        std::shared_ptr<std::string> data = std::make_shared<std::string>();
        int64_t mtime = 0;
    };

    void add_dir(const std::string& path) { nodes_[path].is_dir = true; }
    void add_file(const std::string& path, const std::string& data, int64_t mtime = 1600000000) {
        Node& n = nodes_[path];
        *n.data = data;
        n.mtime = mtime;
    }
    const std::map<std::string, Node>& nodes() const { return nodes_; }
    bool ignore_case = false;

    std::string from_ansi(const std::string& t) override { return t; }
    std::string to_ansi(const std::string& t) override { return t; }
    std::string from_legacy_name(const std::string& t) override { return t; }
    uint8_t zip_host() const override { return 3; }

    bool stat(const std::string& path, zip::DirEntry* info) override {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = find(path);
        if (it == nodes_.end()) return false;
        *info = zip::DirEntry{"", it->second.is_dir, it->second.data->size(), it->second.mtime};
        return true;
    }

    bool list_dir(const std::string& path, std::vector<zip::DirEntry>* entries) override {
        std::lock_guard<std::mutex> lock(mu_);
        std::string prefix = path + "/";
        for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
            std::string name = it->first.substr(prefix.size());
            if (name.find('/') != std::string::npos) continue;
            entries->push_back(zip::DirEntry{name, it->second.is_dir, it->second.data->size(), it->second.mtime});
        }
        return nodes_.count(path) && nodes_[path].is_dir;
    }

    std::unique_ptr<zip::InputFile> open_read(const std::string& path) override {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = find(path);
        if (it == nodes_.end() || it->second.is_dir) return nullptr;
        return std::make_unique<Input>(it->second.data);
    }

    std::unique_ptr<zip::OutputFile> create_new(const std::string& path) override {
        std::lock_guard<std::mutex> lock(mu_);
        if (find(path) != nodes_.end()) return nullptr;
        return std::make_unique<Output>(this, path, nodes_[path].data);
    }

    bool make_dir(const std::string& path, bool* created) override {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = nodes_.find(path);
        *created = it == nodes_.end();
        if (*created) nodes_[path].is_dir = true;
        return nodes_[path].is_dir;
    }

    // A folder moves with everything below it.
    bool replace(const std::string& from, const std::string& to) override {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = nodes_.find(from);
        if (it == nodes_.end()) return false;
        if (auto old = find(to); old != nodes_.end() && !old->second.is_dir) nodes_.erase(old);
        std::map<std::string, Node> moved;
        for (auto n = it; n != nodes_.end() && n->first.compare(0, from.size(), from) == 0; ++n)
            if (n->first.size() == from.size() || n->first[from.size()] == '/')
                moved[to + n->first.substr(from.size())] = n->second;
        for (const auto& [path, node] : moved) nodes_.erase(from + path.substr(to.size()));
        for (auto& [path, node] : moved) nodes_[path] = std::move(node);
        return true;
    }

    bool remove_file(const std::string& path) override {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = find(path);
        if (it == nodes_.end()) return false;
        nodes_.erase(it);
        return true;
    }
    bool remove_dir(const std::string& path) override { return remove_file(path); }

private:
    std::map<std::string, Node>::iterator find(const std::string& path) {
        auto it = nodes_.find(path);
        if (it != nodes_.end() || !ignore_case) return it;
        const std::size_t cut = path.rfind('/') + 1;
        const std::string folded = zip::fold_case(path.substr(cut));
        auto in_folder = [&](const std::string& p) { return p.compare(0, cut, path, 0, cut) == 0; };
        for (it = nodes_.lower_bound(path.substr(0, cut)); it != nodes_.end() && in_folder(it->first); ++it)
            if (it->first.find('/', cut) == std::string::npos && zip::fold_case(it->first.substr(cut)) == folded)
                return it;
        return nodes_.end();
    }

    struct Input : zip::InputFile {
        explicit Input(std::shared_ptr<std::string> d) : data(std::move(d)) {}
        uint64_t size() override { return data->size(); }
        int64_t read_at(uint64_t offset, void* buffer, std::size_t size) override {
            if (offset >= data->size()) return 0;
            std::size_t n = std::min<std::size_t>(size, data->size() - offset);
            std::memcpy(buffer, data->data() + offset, n);
            return static_cast<int64_t>(n);
        }
        std::shared_ptr<std::string> data;
    };

    struct Output : zip::OutputFile {
        Output(MemoryFileSystem* f, std::string p, std::shared_ptr<std::string> d)
            : fs(f), path(std::move(p)), data(std::move(d)) {}
        bool write(const void* d, std::size_t n) override {
            data->append(static_cast<const char*>(d), n);
            return true;
        }
        bool write_at(uint64_t offset, const void* d, std::size_t n) override {
            if (offset + n > data->size()) return false;
            std::memcpy(&(*data)[offset], d, n);
            return true;
        }
        bool close(int64_t mtime, bool) override {
            std::lock_guard<std::mutex> lock(fs->mu_);
            if (mtime != zip::kKeepTime && fs->nodes_.count(path)) fs->nodes_[path].mtime = mtime;
            return true;
        }
        MemoryFileSystem* fs;
        std::string path;
        std::shared_ptr<std::string> data;
    };

    std::mutex mu_;
    std::map<std::string, Node> nodes_;
};

}  // namespace zip_test
