// A file system that counts every call made through it and, at call k, makes that call fail or
// ends the program there: from then on nothing reaches the disk (every call fails, as for a
// process that was killed), so the caller's own threads may run on without effect.
#pragma once

#include <atomic>
#include <memory>

#include "fs/file_system.h"

namespace zip_test {

class InjectingFileSystem : public fs::FileSystem {
public:
    enum class Mode { count, fail, die };
    InjectingFileSystem(fs::FileSystem& inner, Mode mode = Mode::count, long at = 0)
        : inner_(inner), mode_(mode), at_(at) {}

    long calls() const { return calls_; }
    std::vector<std::string> trace;  // what each call was, when `tracing`
    bool tracing = false;
    bool dead() const { return dead_; }

    uint8_t zip_host() const override { return inner_.zip_host(); }

    bool stat(const std::string& p, fs::DirEntry* i) override { return step("stat", p) && inner_.stat(p, i); }
    bool list_dir(const std::string& p, std::vector<fs::DirEntry>* e) override { return step("list_dir", p) && inner_.list_dir(p, e); }
    std::optional<fs::FolderId> folder_id(const std::string& p) override {
        return step("folder_id", p) ? inner_.folder_id(p) : std::nullopt;
    }
    std::unique_ptr<fs::InputFile> open_read(const std::string& p) override {
        if (!step("open_read", p)) return nullptr;
        auto in = inner_.open_read(p);
        return in ? std::make_unique<Input>(*this, std::move(in)) : nullptr;
    }
    std::unique_ptr<fs::OutputFile> create_new(const std::string& p) override {
        if (!step("create_new", p)) return nullptr;
        auto out = inner_.create_new(p);
        return out ? std::make_unique<Output>(*this, std::move(out)) : nullptr;
    }
    bool make_dir(const std::string& p, bool* c) override { return step("make_dir", p) && inner_.make_dir(p, c); }
    bool replace(const std::string& f, const std::string& t) override { return step("replace", f + " -> " + t) && inner_.replace(f, t); }
    bool rename(const std::string& f, const std::string& t) override { return step("rename", f + " -> " + t) && inner_.rename(f, t); }
    bool remove_file(const std::string& p) override { return step("remove_file", p) && inner_.remove_file(p); }
    bool remove_dir(const std::string& p) override { return step("remove_dir", p) && inner_.remove_dir(p); }
    bool get_state(const std::string& p, fs::FileState* s) override { return step("get_state", p) && inner_.get_state(p, s); }
    bool set_state(const std::string& p, const fs::FileState& s) override { return step("set_state", p) && inner_.set_state(p, s); }
    bool copy_attributes(const std::string& f, const std::string& t) override {
        return step("copy_attributes", t) && inner_.copy_attributes(f, t);
    }
    bool plain_attributes(uint32_t a) override { return inner_.plain_attributes(a); }  // no file call

private:
    // False when this call is not to reach the disk.
    bool step(const char* what = "io", const std::string& path = "") {
        const long n = ++calls_;
        if (tracing) trace.push_back(std::to_string(n) + " " + what + " " + path);
        if (dead_) return false;
        if (n != at_ || mode_ == Mode::count) return true;
        if (mode_ == Mode::die) dead_ = true;
        return false;
    }

    struct Input : fs::InputFile {
        Input(InjectingFileSystem& f, std::unique_ptr<fs::InputFile> i) : fs(f), in(std::move(i)) {}
        uint64_t size() override { return in->size(); }
        int64_t read_at(uint64_t o, void* b, std::size_t n) override { return fs.step() ? in->read_at(o, b, n) : -1; }
        InjectingFileSystem& fs;
        std::unique_ptr<fs::InputFile> in;
    };
    struct Output : fs::OutputFile {
        Output(InjectingFileSystem& f, std::unique_ptr<fs::OutputFile> o) : fs(f), out(std::move(o)) {}
        bool write(const void* d, std::size_t n) override { return fs.step() && out->write(d, n); }
        bool write_at(uint64_t o, const void* d, std::size_t n) override { return fs.step() && out->write_at(o, d, n); }
        bool close(int64_t t, bool sync) override { return fs.step() && out->close(t, sync); }
        InjectingFileSystem& fs;
        std::unique_ptr<fs::OutputFile> out;
    };

    fs::FileSystem& inner_;
    Mode mode_;
    long at_;
    std::atomic<long> calls_{0};
    std::atomic<bool> dead_{false};
};

}  // namespace zip_test
