// A file system that passes everything to a real one but fails on demand: writes beyond a byte
// budget (a full disk), reads of chosen files, and replacing files.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "fs/file_system.h"

namespace zip_test {

class FaultyFileSystem : public fs::FileSystem {
public:
    explicit FaultyFileSystem(fs::FileSystem& inner) : inner_(inner) {}

    std::atomic<int64_t> write_budget{-1};  // bytes still writable; -1 for no limit
    std::atomic<bool> fail_replace{false};
    std::atomic<int> files_created{0};
    std::string locked_suffix;                  // a file held open without sharing: never moved
    std::string full_prefix;                    // a drive that is full: nothing can be written there
    // A drive with this much room: a file that grows beyond it fails, and its room is free again
    // once it is removed; -1 for no limit.
    int64_t room_per_file = -1;
    // Calls that ask the system about a path, counted to keep walks and staging cheap.
    std::atomic<int> stats{0}, listings{0}, folder_ids{0}, real_paths{0};

    void fail_reads_of(const std::string& path_suffix) {
        std::lock_guard<std::mutex> lock(mu_);
        unreadable_ = path_suffix;
    }

    uint8_t zip_host() const override { return inner_.zip_host(); }
    bool stat(const std::string& p, fs::DirEntry* i) override {
        ++stats;
        return inner_.stat(p, i);
    }
    bool list_dir(const std::string& p, std::vector<fs::DirEntry>* e) override {
        ++listings;
        return inner_.list_dir(p, e);
    }
    bool make_dir(const std::string& p, bool* c) override { return inner_.make_dir(p, c); }
    bool remove_file(const std::string& p) override { return !held(p) && inner_.remove_file(p); }
    bool remove_dir(const std::string& p) override { return inner_.remove_dir(p); }

    bool replace(const std::string& from, const std::string& to) override {
        return !fail_replace && inner_.replace(from, to);
    }
    bool rename(const std::string& from, const std::string& to) override {
        return !held(from) && inner_.rename(from, to);
    }
    bool held(const std::string& p) const {
        return !locked_suffix.empty() && p.size() >= locked_suffix.size() &&
               p.compare(p.size() - locked_suffix.size(), locked_suffix.size(), locked_suffix) == 0;
    }
    std::optional<fs::FolderId> folder_id(const std::string& p) override {
        ++folder_ids;
        return inner_.folder_id(p);
    }
    std::string real_path(const std::string& p) override {
        ++real_paths;
        return inner_.real_path(p);
    }
    bool copy_attributes(const std::string& f, const std::string& t) override { return inner_.copy_attributes(f, t); }
    bool plain_attributes(uint32_t a) override { return inner_.plain_attributes(a); }  // no file call
    bool get_state(const std::string& p, fs::FileState* s) override { return inner_.get_state(p, s); }
    bool set_state(const std::string& p, const fs::FileState& s) override { return inner_.set_state(p, s); }

    std::unique_ptr<fs::InputFile> open_read(const std::string& path) override {
        auto file = inner_.open_read(path);
        std::lock_guard<std::mutex> lock(mu_);
        bool broken = !unreadable_.empty() && path.size() >= unreadable_.size() &&
                      path.compare(path.size() - unreadable_.size(), unreadable_.size(), unreadable_) == 0;
        if (!file || !broken) return file;
        return std::make_unique<BrokenInput>(std::move(file));
    }

    std::unique_ptr<fs::OutputFile> create_new(const std::string& path) override {
        auto file = inner_.create_new(path);
        if (!file) return file;
        ++files_created;
        if (!full_prefix.empty() && path.rfind(full_prefix, 0) == 0)
            return std::make_unique<LimitedOutput>(std::move(file), no_space_);
        if (room_per_file >= 0) return std::make_unique<LimitedOutput>(std::move(file), room_per_file);
        return std::make_unique<LimitedOutput>(std::move(file), write_budget);
    }

private:
    class BrokenInput : public fs::InputFile {
    public:
        explicit BrokenInput(std::unique_ptr<fs::InputFile> f) : f_(std::move(f)) {}
        uint64_t size() override { return f_->size(); }
        int64_t read_at(uint64_t, void*, std::size_t) override { return -1; }

    private:
        std::unique_ptr<fs::InputFile> f_;
    };

    class LimitedOutput : public fs::OutputFile {
    public:
        LimitedOutput(std::unique_ptr<fs::OutputFile> f, std::atomic<int64_t>& budget)
            : f_(std::move(f)), budget_(budget) {}
        LimitedOutput(std::unique_ptr<fs::OutputFile> f, int64_t room) : f_(std::move(f)), own_(room), budget_(own_) {}
        bool write(const void* d, std::size_t n) override { return take(n) && f_->write(d, n); }
        bool write_at(uint64_t o, const void* d, std::size_t n) override { return f_->write_at(o, d, n); }
        bool close(int64_t mtime, bool sync) override { return f_->close(mtime, sync); }

    private:
        bool take(std::size_t n) {
            int64_t left = budget_.load();
            while (left >= 0) {
                if (static_cast<int64_t>(n) > left) {
                    budget_ = 0;
                    return false;
                }
                if (budget_.compare_exchange_weak(left, left - static_cast<int64_t>(n))) return true;
            }
            return true;
        }
        std::unique_ptr<fs::OutputFile> f_;
        std::atomic<int64_t> own_{-1};
        std::atomic<int64_t>& budget_;
    };

    fs::FileSystem& inner_;
    std::atomic<int64_t> no_space_{0};
    std::mutex mu_;
    std::string unreadable_;
};

}  // namespace zip_test
