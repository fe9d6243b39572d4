// Staged extraction, so a bad archive never costs a save that is already there:
//  1. the central directory and every name are checked before anything is written;
//  2. worker threads inflate each file where the layout says (a temporary name beside its target, or
//     its own name in a new folder made under a temporary name), verifying CRC-32 and size; on any
//     failure every file written and every folder made so far are removed;
//  3. the caller moves each file over its target and each new folder into place (a restore does so
//     under its journal).
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "backup/zip/archive_reader.h"
#include "backup/zip/engine.h"
#include "backup/zip/entry_paths.h"
#include "backup/zip/existing_files.h"
#include "backup/zip/extract_layout.h"
#include "backup/zip/names.h"
#include "backup/zip/progress.h"
#include "backup/zip/staging.h"

namespace zip {

namespace {

struct PlannedFile {
    std::size_t entry;
    std::string relative;
    std::string target;
    std::string write_path;  // where the layout puts it until the commit
    bool written = false;    // written, verified and closed
    bool identical = false;  // already there as the archive has it: nothing written
    std::optional<DirEntry> replaced;  // staging: what is there now, named as the disk names it
};

struct Plan {
    std::set<std::string> dirs;  // relative; a parent sorts before its children
    std::vector<PlannedFile> files;
    uint64_t total = 0;
};

std::string directory_error(const Directory& dir, const std::string& archive_text) {
    auto entry = [&](const char* what) { return named_entry(what, dir.entries[dir.bad_entry].name); };
    switch (dir.error) {
        case DirectoryError::not_zip: return "不是有效的 ZIP 压缩包：" + archive_text;
        case DirectoryError::multi_disk: return "不支持分卷压缩包：" + archive_text;
        case DirectoryError::corrupt_entry: return entry("压缩包已损坏：");
        case DirectoryError::unsupported_method: return entry("不支持的压缩方式：");
        case DirectoryError::encrypted: return entry("不支持加密的文件：");
        default: return "压缩包已损坏，无法读取目录：" + archive_text;
    }
}

std::string data_error(DataError error, const ArchiveEntry& e, const std::string& archive_text) {
    switch (error) {
        case DataError::read_failed: return "无法读取压缩包：" + archive_text;
        case DataError::wrong_crc: return named_entry("文件数据校验失败（CRC 错误）：", e.name);
        case DataError::wrong_size: return named_entry("文件大小与记录不符：", e.name);
        case DataError::sink_failed: return named_entry("无法写入文件（磁盘可能已满）：", e.name);
        default: return named_entry("压缩包已损坏：", e.name);
    }
}

void add_parents(const std::string& relative, std::set<std::string>* dirs) {
    for (std::size_t cut = relative.find('/'); cut != std::string::npos; cut = relative.find('/', cut + 1))
        dirs->insert(relative.substr(0, cut));
}

using Wanted = std::function<bool(const std::string& relative)>;

// An entry whose own name or one of whose folders is left out: the archive may hold what the
// patterns leave out now (written before they were set).
bool left_out_within(const LeaveOut& leave_out, const std::string& relative, bool is_dir) {
    for (std::size_t cut = relative.find('/'); cut != std::string::npos; cut = relative.find('/', cut + 1))
        if (leave_out(relative.substr(0, cut), true)) return true;
    return leave_out(relative, is_dir);
}

// Checks every name and lays out folders and files (with `wanted`, only the files it accepts and
// their folders); "" or the reason the archive is refused.
std::string make_plan(FileSystem& fs, const Directory& dir, const std::string& target, const Wanted& wanted,
                      const LeaveOut& leave_out, Plan* plan) {
    EntryPaths paths(fs);
    for (std::size_t i = 0; i < dir.entries.size(); ++i) {
        const ArchiveEntry& e = dir.entries[i];
        std::string relative;
        bool is_dir = false;
        std::string refused = paths.add(e, &relative, &is_dir);
        if (!refused.empty()) return refused;
        if (wanted && (is_dir || !wanted(relative))) continue;
        if (leave_out && left_out_within(leave_out, relative, is_dir)) continue;
        add_parents(relative, &plan->dirs);
        if (is_dir) {
            plan->dirs.insert(relative);
        } else {
            plan->files.push_back(PlannedFile{i, relative, join_path(target, relative), ""});
            plan->total += e.size;
        }
    }
    return "";
}

class Extractor {
public:
    Extractor(FileSystem& fs, const Directory& dir, Plan& plan, const std::string& archive,
              const std::string& archive_text, const Options& options)
        : fs_(fs), dir_(dir), plan_(plan), archive_(archive), archive_text_(archive_text),
          sync_(options.sync_files), keep_identical_(options.keep_identical) {}

    // Writes and verifies every file where the layout puts it; "" or the first failure.
    std::string write_all(unsigned threads, ProgressReporter& progress);

private:
    void work();
    // One worker's own: its handle on the archive, its decoder and a buffer to compare through.
    struct Reader {
        std::unique_ptr<InputFile> archive;
        EntryDecoder decoder;
        std::vector<uint8_t> buffer;
    };
    std::string write_one(Reader& reader, PlannedFile& file);
    bool same_as_archive(Reader& reader, const PlannedFile& file);
    void fail(const std::string& error);

    FileSystem& fs_;
    const Directory& dir_;
    Plan& plan_;
    const std::string& archive_;
    const std::string& archive_text_;
    const bool sync_, keep_identical_;
    std::atomic<std::size_t> next_{0}, current_{0};
    std::atomic<uint64_t> done_{0};
    std::atomic<bool> stop_{false};
    std::mutex mu_;
    std::condition_variable finished_cv_;
    unsigned running_ = 0;
    std::string error_;
};

std::string Extractor::write_all(unsigned threads, ProgressReporter& progress) {
    threads = std::max(1u, std::min<unsigned>(threads, static_cast<unsigned>(plan_.files.size())));
    running_ = threads;
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < threads; ++i) workers.emplace_back([this] { work(); });
    std::unique_lock<std::mutex> lock(mu_);
    while (running_ > 0) {
        finished_cv_.wait_for(lock, std::chrono::milliseconds(50));
        lock.unlock();
        std::size_t current = std::min(current_.load(), plan_.files.size() - 1);
        if (!plan_.files.empty()) progress.update(done_, dir_.entries[plan_.files[current].entry].name);
        lock.lock();
    }
    lock.unlock();
    for (std::thread& t : workers) t.join();
    return error_;
}

void Extractor::work() {
    Reader reader;
    reader.archive = fs_.open_read(archive_);
    if (!reader.archive) fail("无法打开压缩包：" + archive_text_);
    while (reader.archive && !stop_) {
        std::size_t i = next_++;
        if (i >= plan_.files.size()) break;
        current_ = i;
        std::string error = write_one(reader, plan_.files[i]);
        if (!error.empty()) fail(error);
    }
    std::lock_guard<std::mutex> lock(mu_);
    --running_;
    finished_cv_.notify_all();
}

// Whether the file there has the entry's size, time and every byte: then nothing is written, which
// saves the write, the rename and the safety copy of a file the restore would not change. The entry
// is decoded all the same, so a damaged archive is refused as before. A file with the same size and
// time is nearly always the same; its bytes decide.
bool Extractor::same_as_archive(Reader& reader, const PlannedFile& file) {
    const ArchiveEntry& e = dir_.entries[file.entry];
    const std::optional<DirEntry>& there = file.replaced;
    if (!keep_identical_ || !there || there->is_link || there->size != e.size || there->mtime != e.mtime) return false;
    std::unique_ptr<InputFile> existing = fs_.open_read(join_path(parent_path(file.target), there->name));
    if (!existing || existing->size() != e.size) return false;
    uint64_t offset = 0;
    bool same = true;
    std::vector<uint8_t>& buffer = reader.buffer;
    DataError err = reader.decoder.decode(*reader.archive, e, dir_.data_end, [&](const uint8_t* data, std::size_t size) {
        if (buffer.size() < size) buffer.resize(size);
        same = existing->read_at(offset, buffer.data(), size) == static_cast<int64_t>(size) &&
               std::equal(data, data + size, buffer.data());
        offset += size;
        return same;
    });
    // A fault of the archive is found and reported again by the write.
    return same && err == DataError::none && offset == e.size;
}

std::string Extractor::write_one(Reader& reader, PlannedFile& file) {
    const ArchiveEntry& e = dir_.entries[file.entry];
    if (same_as_archive(reader, file)) {
        file.identical = true;
        done_ += e.size;
        return "";
    }
    std::unique_ptr<OutputFile> out = fs_.create_new(file.write_path);
    if (!out) return named_entry("无法创建文件：", e.name);
    DataError err = reader.decoder.decode(*reader.archive, e, dir_.data_end, [&](const uint8_t* data, std::size_t size) {
        done_ += size;
        return out->write(data, size);
    });
    bool closed = err == DataError::none && out->close(e.mtime, sync_);
    out.reset();
    if (closed) {
        file.written = true;
        return "";
    }
    fs_.remove_file(file.write_path);
    return err == DataError::none ? named_entry("无法写入文件（磁盘可能已满）：", e.name)
                                  : data_error(err, e, archive_text_);
}

void Extractor::fail(const std::string& error) {
    std::lock_guard<std::mutex> lock(mu_);
    if (error_.empty()) error_ = error;
    stop_ = true;
}

std::vector<std::string> written_files(const Plan& plan) {
    std::vector<std::string> paths;
    for (const PlannedFile& f : plan.files)
        if (f.written) paths.push_back(f.write_path);
    return paths;
}

// Everything before the renames: the archive checked, its folders made, every file written and
// verified where the layout puts it.
struct WritePhase {
    Directory dir;
    Plan plan;
    std::unique_ptr<ExtractLayout> layout;
    std::unique_ptr<ProgressReporter> reporter;
};

// Reads the directory and plans where everything goes; "" or the reason the archive is refused.
std::string read_and_plan(FileSystem& fs, const std::string& archive_path, const std::string& target,
                          const Wanted& wanted, const LeaveOut& leave_out, WritePhase* w) {
    {
        std::unique_ptr<InputFile> in = fs.open_read(archive_path);
        if (!in) return fs::named("无法打开压缩包：", archive_path);
        w->dir = read_directory(*in, fs::legacy_name);
    }
    if (w->dir.error != DirectoryError::none) return directory_error(w->dir, fs::shown(archive_path));
    return make_plan(fs, w->dir, target, wanted, leave_out, &w->plan);
}

// The archive read and checked, its folders made and every file's place decided; nothing written.
std::string prepare(FileSystem& fs, const std::string& archive_path, const std::string& target_dir,
                    const Wanted& wanted, const LeaveOut& leave_out, WritePhase* w) {
    std::string error = read_and_plan(fs, archive_path, target_dir, wanted, leave_out, w);
    if (!error.empty()) return error;
    w->layout = std::make_unique<ExtractLayout>(fs, target_dir);
    std::string failed_dir;
    if (!w->layout->make_folders(w->plan.dirs, &failed_dir)) {
        w->layout->remove({});
        return fs::named("无法创建文件夹：", failed_dir.empty() ? target_dir : failed_dir);
    }
    for (PlannedFile& f : w->plan.files) f.write_path = w->layout->write_path(f.relative);
    return "";
}

std::string write_files(FileSystem& fs, const std::string& archive_path, const ProgressFn& progress,
                        const Options& options, WritePhase* w) {
    w->reporter = std::make_unique<ProgressReporter>(progress, w->plan.total);
    w->reporter->update(0, "");
    const std::string archive_text = fs::shown(archive_path);
    Extractor extractor(fs, w->dir, w->plan, archive_path, archive_text, options);
    std::string error = extractor.write_all(worker_count(options), *w->reporter);
    if (!error.empty()) w->layout->remove(written_files(w->plan));
    return error;
}

// What each file replaces, looked up before the temporaries crowd its folder; "" or why a file
// cannot go where a folder is.
std::string look_up_replaced(FileSystem& fs, WritePhase* w) {
    ExistingFiles existing(fs);
    for (PlannedFile& f : w->plan.files) {
        if (w->layout->in_new_folder(f.relative)) continue;
        f.replaced = existing.find(f.target);
        if (f.replaced && f.replaced->is_dir) return named_entry("存档中有同名的文件夹，无法恢复文件：", f.relative);
    }
    return "";
}

std::string last_name(const WritePhase& w) {
    return w.plan.files.empty() ? "" : w.dir.entries[w.plan.files.back().entry].name;
}

// What the caller needs to move the written files into place, and to take them away again.
void describe(const WritePhase& w, StagedExtraction* out) {
    const ExtractLayout& layout = *w.layout;
    out->written = written_files(w.plan);
    for (const std::string& d : layout.made()) out->written.push_back(d);
    for (const ExtractLayout::NewFolder& f : layout.new_folders())
        out->folders.push_back({f.relative, f.target, f.temp, {}});
    for (const PlannedFile& f : w.plan.files) {
        if (f.identical) {
            out->identical.push_back(f.relative);
            continue;
        }
        if (!layout.in_new_folder(f.relative)) {
            const std::string on_disk = f.replaced ? join_path(parent_path(f.target), f.replaced->name) : "";
            out->files.push_back({f.relative, f.target, f.write_path, f.replaced.has_value(), on_disk,
                                  f.replaced ? f.replaced->size : 0, f.replaced ? f.replaced->mtime : 0,
                                  f.replaced ? f.replaced->state : std::nullopt});
            continue;
        }
        for (StagedExtraction::Folder& folder : out->folders)
            if (folder.relative.empty() || f.relative.rfind(folder.relative + "/", 0) == 0) folder.files.push_back(f.relative);
    }
    out->new_dirs = layout.new_relative_dirs();
    out->made_parents = layout.made_parents();
}

}  // namespace

Result check_with(FileSystem& fs, const std::string& archive_path) {
    WritePhase w;
    std::string error = read_and_plan(fs, archive_path, "", {}, {}, &w);
    return error.empty() ? Result{} : failure(error);
}

Result stage_with(FileSystem& fs, const std::string& archive_path, const std::string& target_dir,
                  const ProgressFn& progress, const Options& options, StagedExtraction* staged,
                  const std::function<bool(const std::string&)>& wanted) {
    WritePhase w;
    *staged = StagedExtraction{};
    std::string error = prepare(fs, archive_path, target_dir, wanted, options.leave_out, &w);
    if (error.empty()) error = look_up_replaced(fs, &w);
    if (error.empty()) error = write_files(fs, archive_path, progress, options, &w);
    if (!error.empty()) {
        if (w.layout) w.layout->remove(written_files(w.plan));
        *staged = StagedExtraction{};
        return failure(error);
    }
    describe(w, staged);
    w.reporter->finish(last_name(w));
    return {};
}

}  // namespace zip
