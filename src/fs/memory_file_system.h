// A file system held in memory, for trees too large to be quick on a disk (tens of thousands of
// entries) and for cutting the power: data written without a flush is lost then. Paths are
// compared as strings, '\\' read as '/'; with ignore_case set, a file's last component is found
// whatever its case, as on Windows.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "fs/case_fold.h"
#include "fs/file_system.h"

namespace fs {

class MemoryFileSystem : public fs::FileSystem {
public:
    struct Node {
        bool is_dir = false;
        std::shared_ptr<std::string> data = std::make_shared<std::string>();
        int64_t mtime = 0;
        uint32_t attributes = 0;
        bool flushed = true;  // the data is on the disk
        bool unreachable = false;  // a link whose target is gone
    };

    void add_dir(const std::string& path) { nodes_[key(path)].is_dir = true; }
    void add_file(const std::string& path, const std::string& data, int64_t mtime = 1600000000) {
        Node& n = nodes_[key(path)];
        *n.data = data;
        n.mtime = mtime;
    }
    bool ignore_case = false;
    const std::map<std::string, Node>& nodes() const { return nodes_; }
    std::map<std::string, Node>& nodes() { return nodes_; }
    // What the disk holds after the power went: data never flushed is cut short.
    void power_cut() {
        for (auto& [path, node] : nodes_)
            if (!node.flushed) {
                node.data = std::make_shared<std::string>(node.data->substr(0, node.data->size() / 2));
                node.flushed = true;
            }
    }
    static std::string key(std::string path) {
        for (char& c : path)
            if (c == '\\') c = '/';
        return path;
    }

    uint8_t zip_host() const override { return 3; }

    bool stat(const std::string& p, fs::DirEntry* info) override {
        const std::string path = key(p);
        std::lock_guard<std::mutex> lock(mu_);
        auto it = find(path);
        if (it == nodes_.end()) return false;
        *info = fs::DirEntry{};
        info->is_dir = it->second.is_dir;
        info->size = it->second.data->size();
        info->mtime = it->second.mtime;
        return true;
    }

    bool list_dir(const std::string& p, std::vector<fs::DirEntry>* entries) override {
        const std::string path = key(p);
        std::lock_guard<std::mutex> lock(mu_);
        std::string prefix = path + "/";
        for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
            std::string name = it->first.substr(prefix.size());
            if (name.find('/') != std::string::npos) continue;
            fs::DirEntry e;
            e.name = name;
            e.is_dir = it->second.is_dir;
            e.size = it->second.data->size();
            e.mtime = it->second.mtime;
            e.state = fs::FileState{it->second.mtime, it->second.attributes};
            e.is_link = e.unreachable = it->second.unreachable;
            entries->push_back(e);
        }
        return nodes_.count(path) && nodes_[path].is_dir;
    }

    std::unique_ptr<fs::InputFile> open_read(const std::string& p) override {
        const std::string path = key(p);
        std::lock_guard<std::mutex> lock(mu_);
        auto it = nodes_.find(path);
        if (it == nodes_.end() || it->second.is_dir) return nullptr;
        return std::make_unique<Input>(it->second.data);
    }

    std::unique_ptr<fs::OutputFile> create_new(const std::string& p) override {
        const std::string path = key(p);
        std::lock_guard<std::mutex> lock(mu_);
        if (find(path) != nodes_.end() || !parent_is_dir(path)) return nullptr;
        nodes_[path].flushed = false;
        return std::make_unique<Output>(this, path, nodes_[path].data);
    }

    bool make_dir(const std::string& p, bool* created) override {
        const std::string path = key(p);
        std::lock_guard<std::mutex> lock(mu_);
        auto it = nodes_.find(path);
        *created = it == nodes_.end();
        if (*created && !parent_is_dir(path)) return *created = false;
        if (*created) nodes_[path].is_dir = true;
        return nodes_[path].is_dir;
    }

    // A folder moves with everything below it.
    bool replace(const std::string& f, const std::string& t) override {
        const std::string from = key(f), to = key(t);
        std::lock_guard<std::mutex> lock(mu_);
        auto it = nodes_.find(from);
        if (it == nodes_.end() || !parent_is_dir(to)) return false;
        auto there = find(to);
        if (there != nodes_.end() && (there->second.is_dir || it->second.is_dir)) return false;
        std::map<std::string, Node> moved;
        for (auto n = it; n != nodes_.end() && n->first.compare(0, from.size(), from) == 0; ++n)
            if (n->first.size() == from.size() || n->first[from.size()] == '/')
                moved[to + n->first.substr(from.size())] = n->second;
        for (const auto& [path, node] : moved) nodes_.erase(from + path.substr(to.size()));
        for (auto& [path, node] : moved) nodes_[path] = std::move(node);
        return true;
    }

    bool remove_file(const std::string& p) override {
        const std::string path = key(p);
        std::lock_guard<std::mutex> lock(mu_);
        auto it = nodes_.find(path);
        if (it == nodes_.end() || it->second.is_dir) return false;
        nodes_.erase(it);
        return true;
    }
    // Empty folders only.
    bool remove_dir(const std::string& p) override {
        const std::string path = key(p);
        std::lock_guard<std::mutex> lock(mu_);
        auto it = nodes_.find(path);
        if (it == nodes_.end() || !it->second.is_dir) return false;
        auto next = std::next(it);
        if (next != nodes_.end() && next->first.compare(0, path.size() + 1, path + "/") == 0) return false;
        nodes_.erase(it);
        return true;
    }
    bool get_state(const std::string& p, fs::FileState* state) override {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = nodes_.find(key(p));
        if (it == nodes_.end()) return false;
        *state = {it->second.mtime, it->second.attributes};
        return true;
    }
    bool set_state(const std::string& p, const fs::FileState& state) override {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = nodes_.find(key(p));
        if (it == nodes_.end()) return false;
        it->second.mtime = state.time;
        it->second.attributes = state.attributes;
        return true;
    }
    bool plain_attributes(uint32_t attributes) override { return attributes == 0; }  // what create_new gives
    bool copy_attributes(const std::string& from, const std::string& to) override {
        std::lock_guard<std::mutex> lock(mu_);
        auto f = nodes_.find(key(from)), t = nodes_.find(key(to));
        if (f == nodes_.end() || t == nodes_.end()) return false;
        t->second.attributes = f->second.attributes;
        return true;
    }

private:
    std::map<std::string, Node>::iterator find(const std::string& path) {
        auto it = nodes_.find(path);
        if (it != nodes_.end() || !ignore_case) return it;
        const std::size_t cut = path.rfind('/') + 1;
        const std::string folded = fs::fold_case(path.substr(cut));
        auto in_folder = [&](const std::string& p) { return p.compare(0, cut, path, 0, cut) == 0; };
        for (it = nodes_.lower_bound(path.substr(0, cut)); it != nodes_.end() && in_folder(it->first); ++it)
            if (it->first.find('/', cut) == std::string::npos && fs::fold_case(it->first.substr(cut)) == folded)
                return it;
        return nodes_.end();
    }

    // A folder's parent must be there first, as on a disk; top-level names stand alone.
    bool parent_is_dir(const std::string& path) const {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos || slash == 0) return true;
        auto it = nodes_.find(path.substr(0, slash));
        return it == nodes_.end() ? path.find('/') == slash : it->second.is_dir;
    }

    struct Input : fs::InputFile {
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

    struct Output : fs::OutputFile {
        Output(fs::MemoryFileSystem* f, std::string p, std::shared_ptr<std::string> d)
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
        bool close(int64_t mtime, bool sync) override {
            std::lock_guard<std::mutex> lock(fs->mu_);
            auto it = fs->nodes_.find(path);
            if (it == fs->nodes_.end() || it->second.data != data) return true;  // moved meanwhile
            if (mtime != fs::kKeepTime) it->second.mtime = mtime;
            it->second.flushed = sync;
            return true;
        }
        fs::MemoryFileSystem* fs;
        std::string path;
        std::shared_ptr<std::string> data;
    };

    std::mutex mu_;
    std::map<std::string, Node> nodes_;
};

}  // namespace fs
