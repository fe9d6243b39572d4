// Compression: worker threads read and deflate runs of small files and pieces of large ones; the
// calling thread writes them in order, so memory stays bounded by a few tasks per thread whatever
// the size of the tree.
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

#include <libdeflate.h>
#include <zlib.h>

#include "backup/zip/buffered_output.h"
#include "backup/zip/chunk_deflater.h"
#include "backup/zip/engine.h"
#include "backup/zip/format.h"
#include "backup/zip/names.h"
#include "backup/zip/pack_files.h"
#include "backup/zip/progress.h"
#include "backup/zip/walk.h"

namespace zip {

namespace {

constexpr std::size_t kOutputBuffer = 1 << 20;
constexpr std::size_t kBatchFiles = 64;  // most small files one task takes

// One unit of work: a run of whole files, or one piece of a file larger than a piece. Small files
// go in runs, so that the hand-over to the writer (and its wake-ups) happens per run, not per file.
struct Task {
    std::size_t entry;      // the first one
    std::size_t count = 1;  // whole entries in the run
    uint64_t chunk = 0;     // for a piece: its index
    uint64_t chunks = 0;    // and how many the file has; 0 for a run of whole files
    bool first() const { return chunk == 0; }
    bool last() const { return chunk + 1 >= chunks; }
};

enum class Failure { none, read, deflate };

// What a task made of one entry, or of one piece of a large one.
struct Piece {
    uint16_t method = format::kStored;
    uint32_t crc = 0;
    uint64_t raw_size = 0;
    std::size_t begin = 0, end = 0;  // its bytes in Chunk::data
};

struct Chunk {
    Failure failure = Failure::none;
    std::size_t failed_entry = 0;
    std::vector<Piece> pieces;  // one per entry of the task, in order
    std::vector<uint8_t> data;
};

struct WorkerState {
    explicit WorkerState(int level) : deflater(level) {}
    ChunkDeflater deflater;
    SpanClassifier classifier;
    std::vector<uint8_t> input, scan;
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
    Chunk run_task(const Task& task, WorkerState& state);
    Failure compress_file(std::size_t entry, WorkerState& state, Chunk* c);
    Failure compress_piece(const Task& task, WorkerState& state, Chunk* c);
    bool later_piece_deflates(std::size_t entry, WorkerState& state);
    bool read_piece(std::size_t entry, uint64_t offset, std::size_t size, WorkerState& state);
    void publish_method(std::size_t entry, uint16_t method);
    uint16_t wait_method(std::size_t entry);
    Chunk take_chunk(std::size_t seq, ProgressReporter& progress, uint64_t done, const std::string& name);
    std::string write_piece(const Task& task, std::size_t entry, const Piece& piece, const Chunk& c,
                            BufferedOutput& out, std::vector<format::EntryRecord>* records);
    void stop_workers();

    FileSystem& fs_;
    const Options& options_;
    const std::vector<SourceEntry>& entries_;
    std::size_t chunk_size_;
    std::string write_error_;
    std::vector<Task> tasks_;
    std::vector<std::thread> workers_;

    std::mutex mu_;
    std::condition_variable ready_cv_, space_cv_, method_cv_;
    std::vector<std::optional<Chunk>> slots_;  // finished tasks not yet written, by sequence % size
    std::size_t next_task_ = 0, consumed_ = 0;
    bool stop_ = false;
    std::unordered_map<std::size_t, uint16_t> methods_;  // of large files, decided with their first piece
};

void Compressor::plan_tasks() {
    uint64_t run_bytes = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const SourceEntry& e = entries_[i];
        if (!e.is_dir && e.size > chunk_size_) {
            uint64_t chunks = (e.size + chunk_size_ - 1) / chunk_size_;
            for (uint64_t c = 0; c < chunks; ++c) tasks_.push_back(Task{i, 1, c, chunks});
            continue;
        }
        Task* run = tasks_.empty() || tasks_.back().chunks ? nullptr : &tasks_.back();
        if (run && run->count < kBatchFiles && run_bytes + e.size <= chunk_size_) {
            ++run->count;
            run_bytes += e.size;
        } else {
            tasks_.push_back(Task{i});
            run_bytes = e.size;
        }
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
        Chunk chunk = run_task(tasks_[seq], state);
        {
            std::lock_guard<std::mutex> lock(mu_);
            slots_[seq % slots_.size()] = std::move(chunk);
        }
        ready_cv_.notify_one();
    }
}

Chunk Compressor::run_task(const Task& task, WorkerState& state) {
    Chunk c;
    for (std::size_t i = 0; i < task.count && c.failure == Failure::none; ++i) {
        c.failed_entry = task.entry + i;
        c.failure = task.chunks ? compress_piece(task, state, &c) : compress_file(task.entry + i, state, &c);
    }
    if (task.last()) {
        state.file.reset();
        state.file_entry = SIZE_MAX;
    }
    return c;
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

void append(std::vector<uint8_t>* out, const uint8_t* data, std::size_t size) {
    out->insert(out->end(), data, data + size);
}

// A file that fits in one piece: stored when no part of it is worth deflating, or (like zip) when
// deflating did not make it smaller.
Failure Compressor::compress_file(std::size_t entry, WorkerState& state, Chunk* c) {
    const SourceEntry& e = entries_[entry];
    Piece p;
    p.begin = c->data.size();
    std::size_t size = static_cast<std::size_t>(e.size);
    if (!e.is_dir && size > 0) {
        if (!read_piece(entry, 0, size, state)) return Failure::read;
        const uint8_t* data = state.input.data();
        p.raw_size = size;
        p.crc = libdeflate_crc32(0, data, size);
        std::vector<Span> spans;
        if (options_.level > 0) spans = state.classifier.classify(data, size);
        if (any_deflated(spans)) {
            if (!state.deflater.deflate(data, size, spans, true, &c->data)) return Failure::deflate;
            if (c->data.size() - p.begin < size) p.method = format::kDeflated;
            else c->data.resize(p.begin);
        }
        if (p.method == format::kStored) append(&c->data, data, size);
    }
    p.end = c->data.size();
    c->pieces.push_back(p);
    return Failure::none;
}

// One piece of a large file. The first decides the file's method: stored only when no part of the
// whole file is worth deflating.
Failure Compressor::compress_piece(const Task& task, WorkerState& state, Chunk* c) {
    const SourceEntry& e = entries_[task.entry];
    uint64_t start = task.chunk * chunk_size_;
    std::size_t size = static_cast<std::size_t>(std::min<uint64_t>(chunk_size_, e.size - start));
    // Level 0 stores everything, without looking.
    uint16_t method = options_.level == 0 ? format::kStored : task.first() ? format::kDeflated : wait_method(task.entry);
    bool read_ok = read_piece(task.entry, start, size, state);
    const uint8_t* data = state.input.data();
    std::vector<Span> spans;
    if (read_ok && method == format::kDeflated) spans = state.classifier.classify(data, size);
    if (task.first()) {
        if (read_ok && method == format::kDeflated && !any_deflated(spans) && !later_piece_deflates(task.entry, state))
            method = format::kStored;
        publish_method(task.entry, method);
    }
    if (!read_ok) return Failure::read;
    Piece p;
    p.method = method;
    p.raw_size = size;
    p.crc = libdeflate_crc32(0, data, size);
    p.begin = c->data.size();
    if (method == format::kStored) append(&c->data, data, size);
    else if (!state.deflater.deflate(data, size, spans, task.last(), &c->data)) return Failure::deflate;
    p.end = c->data.size();
    c->pieces.push_back(p);
    return Failure::none;
}

// Looks on through a large file whose first piece is not worth deflating, for any part that is.
// A read that fails here fails again in its own piece, which reports it.
bool Compressor::later_piece_deflates(std::size_t entry, WorkerState& state) {
    const SourceEntry& e = entries_[entry];
    for (uint64_t start = chunk_size_; start < e.size; start += chunk_size_) {
        std::size_t size = static_cast<std::size_t>(std::min<uint64_t>(chunk_size_, e.size - start));
        state.scan.resize(size);
        if (state.file->read_at(start, state.scan.data(), size) != static_cast<int64_t>(size)) return true;
        if (any_deflated(state.classifier.classify(state.scan.data(), size))) return true;
    }
    return false;
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

// Writes an entry's local header and data, or one more piece of a large entry; a large entry's
// header is patched with its final CRC and size after its last piece.
std::string Compressor::write_piece(const Task& task, std::size_t entry, const Piece& piece, const Chunk& c,
                                    BufferedOutput& out, std::vector<format::EntryRecord>* records) {
    const SourceEntry& e = entries_[entry];
    std::vector<uint8_t> header;
    if (task.first()) {
        records->push_back(start_record(e, piece.method, out.position(), options_.force_zip64));
        records->back().crc = piece.crc;
        records->back().compressed_size = piece.end - piece.begin;
        format::write_local_header(records->back(), records->back().zip64_sizes, &header);
        if (!out.write(header.data(), header.size())) return write_error_;
    } else {
        records->back().crc = static_cast<uint32_t>(crc32_combine(records->back().crc, piece.crc, piece.raw_size));
        records->back().compressed_size += piece.end - piece.begin;
    }
    if (!out.write(c.data.data() + piece.begin, piece.end - piece.begin)) return write_error_;
    format::EntryRecord& r = records->back();
    if (task.chunks > 1 && r.method == format::kDeflated) {
        r.piece_size = static_cast<uint32_t>(chunk_size_);
        r.piece_lengths.push_back(static_cast<uint32_t>(piece.end - piece.begin));
    }
    if (!r.zip64_sizes && r.compressed_size >= format::kMax32) return named_entry("文件过大，无法压缩：", e.name);
    if (!task.last() || task.first()) return "";
    header.clear();
    format::write_local_header(r, r.zip64_sizes, &header);
    return out.patch(r.local_offset, header.data(), header.size()) ? "" : "write";
}

std::string Compressor::write_archive(BufferedOutput& out, ProgressReporter& progress,
                                      const std::string& archive_text) {
    const std::string write_error = "无法写入压缩包（磁盘可能已满）：" + archive_text;
    write_error_ = write_error;
    plan_tasks();
    unsigned threads = worker_count(options_);
    slots_.resize(threads * 4);
    for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });

    std::vector<format::EntryRecord> records;
    records.reserve(entries_.size());
    uint64_t done = 0;
    for (std::size_t seq = 0; seq < tasks_.size(); ++seq) {
        const Task& task = tasks_[seq];
        Chunk c = take_chunk(seq, progress, done, entries_[task.entry].name);
        if (c.failure != Failure::none) {
            return named_entry(c.failure == Failure::read ? "无法读取文件：" : "压缩文件时出错：",
                               entries_[c.failed_entry].name);
        }
        for (std::size_t i = 0; i < c.pieces.size(); ++i) {
            const SourceEntry& e = entries_[task.entry + i];
            std::string error = write_piece(task, task.entry + i, c.pieces[i], c, out, &records);
            if (!error.empty()) return error;
            done += c.pieces[i].raw_size;
            progress.update(done, e.name);
        }
    }
    stop_workers();

    uint64_t cd_offset = out.position();
    std::vector<uint8_t> header;
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

namespace {

// Packs `entries` into `archive` (file-system paths) under a temporary name, flushed and moved into
// place; "" or the reason it failed.
std::string write_entries(FileSystem& fs, const std::vector<SourceEntry>& entries, const std::string& archive,
                          const ProgressFn& progress, const Options& options) {
    const std::string archive_text = fs::shown(archive);
    uint64_t total = 0;
    for (const SourceEntry& e : entries) total += e.size;
    std::string temp = sibling_temp_path(archive);
    std::unique_ptr<OutputFile> file = fs.create_new(temp);
    if (!file) return "无法创建压缩包：" + archive_text;
    ProgressReporter reporter(progress, total);
    reporter.update(0, "");
    std::string error;
    {
        BufferedOutput out(*file, kOutputBuffer);
        Compressor compressor(fs, options, entries);
        error = compressor.write_archive(out, reporter, archive_text);
    }
    // One flush to the disk before the rename: the final name only ever holds a complete archive.
    if (error.empty() && !file->close(kKeepTime, true)) error = "无法写入压缩包（磁盘可能已满）：" + archive_text;
    file.reset();
    if (error.empty() && !fs.replace(temp, archive)) error = "无法保存压缩包：" + archive_text;
    if (!error.empty()) {
        fs.remove_file(temp);
        return error;
    }
    reporter.finish(entries.empty() ? "" : entries.back().name);
    return "";
}

}  // namespace

Result compress_with(FileSystem& fs, const std::string& source_dir, const std::string& archive_path,
                     const ProgressFn& progress, const Options& options) {
    DirEntry info;
    if (!fs.stat(source_dir, &info) || !info.is_dir) return failure(fs::named("找不到要备份的文件夹：", source_dir));
    WalkResult walk = walk_tree(fs, source_dir, archive_path, options.excluded_folders, options.leave_out);
    if (!walk.ok) return failure(fs::named("无法读取文件夹：", walk.failed_path));
    std::string error = write_entries(fs, walk.entries, archive_path, progress, options);
    if (!error.empty()) return failure(error);
    Result done;
    done.skipped = describe_skipped(walk.skipped);
    return done;
}

Result compress_files(FileSystem& fs, const std::vector<SourceEntry>& files, const std::string& archive,
                      const ProgressFn& progress, const Options& options) {
    std::string error = write_entries(fs, files, archive, progress, options);
    return error.empty() ? Result{} : failure(error);
}

}  // namespace zip
