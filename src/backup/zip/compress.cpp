// Compression: worker threads read and deflate pieces of files; the calling thread writes them in
// order, so memory stays bounded by a few pieces per thread whatever the size of the tree.
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

#include <zlib.h>

#include "backup/zip/buffered_output.h"
#include "backup/zip/chunk_deflater.h"
#include "backup/zip/engine.h"
#include "backup/zip/format.h"
#include "backup/zip/names.h"
#include "backup/zip/progress.h"
#include "backup/zip/walk.h"

namespace zip {

namespace {

constexpr std::size_t kOutputBuffer = 1 << 20;

struct Task {
    std::size_t entry;
    uint64_t chunk;
    bool last;
};

enum class Failure { none, read, deflate };

struct Chunk {
    Failure failure = Failure::none;
    uint16_t method = format::kStored;
    std::vector<uint8_t> data;
    uint32_t crc = 0;
    uint64_t raw_size = 0;
};

struct WorkerState {
    explicit WorkerState(int level) : deflater(level) {}
    ChunkDeflater deflater;
    std::vector<uint8_t> input;
    std::unique_ptr<InputFile> file;
    std::size_t file_entry = SIZE_MAX;
};

class Compressor {
public:
    Compressor(FileSystem& fs, const Options& options, const std::vector<SourceEntry>& entries)
        : fs_(fs),
          options_(options),
          entries_(entries),
          chunk_size_(std::clamp<std::size_t>(options.chunk_size, 4096, 64 << 20)) {}
    ~Compressor() { stop_workers(); }

    // Writes every entry and the central directory; returns "" or the reason it failed.
    std::string write_archive(BufferedOutput& out, ProgressReporter& progress, const std::string& archive_text);

private:
    void plan_tasks();
    void work();
    Chunk compress_chunk(const Task& task, WorkerState& state);
    bool read_piece(std::size_t entry, uint64_t offset, std::size_t size, WorkerState& state);
    void publish_method(std::size_t entry, uint16_t method);
    uint16_t wait_method(std::size_t entry);
    Chunk take_chunk(std::size_t seq, ProgressReporter& progress, uint64_t done, const std::string& name);
    void stop_workers();

    FileSystem& fs_;
    const Options& options_;
    const std::vector<SourceEntry>& entries_;
    std::size_t chunk_size_;
    std::vector<Task> tasks_;
    std::vector<std::thread> workers_;

    std::mutex mu_;
    std::condition_variable ready_cv_, space_cv_, method_cv_;
    std::vector<std::optional<Chunk>> slots_;  // finished pieces not yet written, by sequence % size
    std::size_t next_task_ = 0, consumed_ = 0;
    bool stop_ = false;
    std::unordered_map<std::size_t, uint16_t> methods_;  // decided by the first piece of a large file
};

void Compressor::plan_tasks() {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const SourceEntry& e = entries_[i];
        uint64_t chunks = (e.is_dir || e.size == 0) ? 1 : (e.size + chunk_size_ - 1) / chunk_size_;
        for (uint64_t c = 0; c < chunks; ++c) tasks_.push_back(Task{i, c, c + 1 == chunks});
    }
}

void Compressor::work() {
    WorkerState state(options_.level);
    for (;;) {
        std::size_t seq;
        {
            std::unique_lock<std::mutex> lock(mu_);
            space_cv_.wait(lock, [&] {
                return stop_ || next_task_ >= tasks_.size() || next_task_ < consumed_ + slots_.size();
            });
            if (stop_ || next_task_ >= tasks_.size()) return;
            seq = next_task_++;
        }
        Chunk chunk = compress_chunk(tasks_[seq], state);
        {
            std::lock_guard<std::mutex> lock(mu_);
            slots_[seq % slots_.size()] = std::move(chunk);
        }
        ready_cv_.notify_all();
    }
}

bool Compressor::read_piece(std::size_t entry, uint64_t offset, std::size_t size, WorkerState& state) {
    if (state.file_entry != entry) {
        state.file = fs_.open_read(entries_[entry].path);
        state.file_entry = entry;
    }
    state.input.resize(size);
    // A short read means the file shrank since the walk: fail rather than store a torn copy.
    return state.file && state.file->read_at(offset, state.input.data(), size) == static_cast<int64_t>(size);
}

Chunk Compressor::compress_chunk(const Task& task, WorkerState& state) {
    const SourceEntry& e = entries_[task.entry];
    Chunk c;
    if (e.is_dir || e.size == 0) return c;
    uint64_t start = task.chunk * chunk_size_;
    std::size_t size = static_cast<std::size_t>(std::min<uint64_t>(chunk_size_, e.size - start));
    bool single = task.chunk == 0 && task.last;
    uint16_t method = task.chunk == 0 ? format::kDeflated : wait_method(task.entry);
    std::size_t dict = method == format::kDeflated ? std::min<uint64_t>(ChunkDeflater::kWindow, start) : 0;
    bool read_ok = read_piece(task.entry, start - dict, dict + size, state);
    if (task.last) {
        state.file.reset();
        state.file_entry = SIZE_MAX;
    }
    const uint8_t* data = state.input.data() + dict;
    if (task.chunk == 0) {
        if (read_ok && (!single || size > ChunkDeflater::kSample) && !state.deflater.worth_deflating(data, size))
            method = format::kStored;
        if (!single) publish_method(task.entry, method);
    }
    if (!read_ok) {
        c.failure = Failure::read;
        return c;
    }
    c.raw_size = size;
    c.crc = static_cast<uint32_t>(crc32(0, data, static_cast<uInt>(size)));
    if (method == format::kDeflated) {
        if (!state.deflater.deflate(state.input.data(), dict, data, size, task.last, &c.data)) {
            c.failure = Failure::deflate;
            return c;
        }
        // Like zip, keep a small file as it is when deflate does not make it smaller.
        if (single && c.data.size() >= size) method = format::kStored;
    }
    if (method == format::kStored) {
        c.data.swap(state.input);  // holds exactly this piece: stored pieces are read without a dictionary
        state.input.clear();
    }
    c.method = method;
    return c;
}

void Compressor::publish_method(std::size_t entry, uint16_t method) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        methods_[entry] = method;
    }
    method_cv_.notify_all();
}

uint16_t Compressor::wait_method(std::size_t entry) {
    std::unique_lock<std::mutex> lock(mu_);
    method_cv_.wait(lock, [&] { return stop_ || methods_.count(entry); });
    if (stop_) return format::kStored;
    return methods_[entry];
}

Chunk Compressor::take_chunk(std::size_t seq, ProgressReporter& progress, uint64_t done,
                             const std::string& name) {
    std::unique_lock<std::mutex> lock(mu_);
    std::optional<Chunk>& slot = slots_[seq % slots_.size()];
    while (!slot) {
        if (ready_cv_.wait_for(lock, std::chrono::milliseconds(50)) == std::cv_status::timeout) {
            lock.unlock();
            progress.update(done, name);  // lets a window repaint while a large piece is deflated
            lock.lock();
        }
    }
    Chunk chunk = std::move(*slot);
    slot.reset();
    consumed_ = seq + 1;
    lock.unlock();
    space_cv_.notify_all();
    return chunk;
}

void Compressor::stop_workers() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        stop_ = true;
    }
    space_cv_.notify_all();
    method_cv_.notify_all();
    for (std::thread& t : workers_) t.join();
    workers_.clear();
}

format::EntryRecord start_record(const SourceEntry& e, uint16_t method, uint64_t offset, bool force_zip64) {
    format::EntryRecord r;
    r.name = e.name;
    r.flags = is_valid_utf8(e.name) ? format::kFlagUtf8 : 0;
    r.method = method;
    r.size = e.size;
    r.local_offset = offset;
    r.mtime = e.mtime;
    r.is_dir = e.is_dir;
    r.zip64_sizes = force_zip64 || e.size >= format::kZip64SizeThreshold;
    r.zip64_offset = force_zip64 || offset >= format::kMax32;
    return r;
}

std::string Compressor::write_archive(BufferedOutput& out, ProgressReporter& progress,
                                      const std::string& archive_text) {
    const std::string write_error = "无法写入压缩包（磁盘可能已满）：" + archive_text;
    plan_tasks();
    unsigned threads = worker_count(options_);
    slots_.resize(threads * 4);
    for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });

    std::vector<format::EntryRecord> records;
    records.reserve(entries_.size());
    std::vector<uint8_t> header;
    uint64_t done = 0;
    for (std::size_t seq = 0; seq < tasks_.size(); ++seq) {
        const Task& task = tasks_[seq];
        const SourceEntry& e = entries_[task.entry];
        Chunk c = take_chunk(seq, progress, done, e.name);
        if (c.failure == Failure::read) return "无法读取文件：" + fs_.to_ansi(e.name);
        if (c.failure == Failure::deflate) return "压缩文件时出错：" + fs_.to_ansi(e.name);
        if (task.chunk == 0) {
            records.push_back(start_record(e, c.method, out.position(), options_.force_zip64));
            // Final values for a file in one piece; a larger file's header is patched after its last.
            records.back().crc = c.crc;
            records.back().compressed_size = c.data.size();
            header.clear();
            format::write_local_header(records.back(), records.back().zip64_sizes, &header);
            if (!out.write(header.data(), header.size())) return write_error;
        } else {
            records.back().crc = static_cast<uint32_t>(crc32_combine(records.back().crc, c.crc, c.raw_size));
            records.back().compressed_size += c.data.size();
        }
        if (!out.write(c.data.data(), c.data.size())) return write_error;
        done += c.raw_size;
        progress.update(done, e.name);
        format::EntryRecord& r = records.back();
        if (!r.zip64_sizes && r.compressed_size >= format::kMax32) return "文件过大，无法压缩：" + fs_.to_ansi(e.name);
        if (!task.last || task.chunk == 0) continue;
        header.clear();
        format::write_local_header(r, r.zip64_sizes, &header);
        if (!out.patch(r.local_offset, header.data(), header.size())) return write_error;
    }
    stop_workers();

    uint64_t cd_offset = out.position();
    for (const format::EntryRecord& r : records) {
        header.clear();
        format::write_central_header(r, fs_.zip_host(), &header);
        if (!out.write(header.data(), header.size())) return write_error;
    }
    header.clear();
    format::write_end_records(records.size(), cd_offset, out.position() - cd_offset, fs_.zip_host(),
                              options_.force_zip64, &header);
    if (!out.write(header.data(), header.size()) || !out.flush()) return write_error;
    return "";
}

}  // namespace

unsigned worker_count(const Options& options) {
    unsigned n = options.threads ? options.threads : std::thread::hardware_concurrency();
    return std::clamp(n, 1u, 16u);
}

Result compress_with(FileSystem& fs, const std::string& source_dir, const std::string& archive_path,
                     const ProgressFn& progress, const Options& options) {
    std::string source = fs.from_ansi(source_dir), archive = fs.from_ansi(archive_path);
    DirEntry info;
    if (!fs.stat(source, &info) || !info.is_dir) return failure("找不到要备份的文件夹：" + source_dir);
    WalkResult walk = walk_tree(fs, source, archive);
    if (!walk.ok) return failure("无法读取文件夹：" + fs.to_ansi(walk.failed_path));
    uint64_t total = 0;
    for (const SourceEntry& e : walk.entries) total += e.size;

    std::string temp = sibling_temp_path(archive);
    std::unique_ptr<OutputFile> file = fs.create_new(temp);
    if (!file) return failure("无法创建压缩包：" + archive_path);
    ProgressReporter reporter(progress, total, [&fs](const std::string& name) { return fs.to_ansi(name); });
    reporter.update(0, "");
    std::string error;
    {
        BufferedOutput out(*file, kOutputBuffer);
        Compressor compressor(fs, options, walk.entries);
        error = compressor.write_archive(out, reporter, archive_path);
    }
    // One flush to the disk before the rename: the final name only ever holds a complete archive.
    if (error.empty() && !file->close(kKeepTime, true)) error = "无法写入压缩包（磁盘可能已满）：" + archive_path;
    file.reset();
    if (error.empty() && !fs.replace(temp, archive)) error = "无法保存压缩包：" + archive_path;
    if (!error.empty()) {
        fs.remove_file(temp);
        return failure(error);
    }
    reporter.finish(walk.entries.empty() ? "" : walk.entries.back().name);
    Result done;
    done.skipped = describe_skipped(fs, walk.skipped);
    return done;
}

}  // namespace zip
