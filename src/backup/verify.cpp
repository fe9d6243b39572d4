#include "backup/verify.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "backup/zip/archive_reader.h"
#include "backup/zip/names.h"

namespace backup {

namespace {

std::string directory_reason(zip::DirectoryError error) {
    switch (error) {
        case zip::DirectoryError::not_zip: return "找不到压缩包的目录（文件不完整，可能被截断）";
        case zip::DirectoryError::multi_disk: return "是分卷压缩包，无法校验";
        case zip::DirectoryError::corrupt_entry: return "目录中的记录已损坏";
        case zip::DirectoryError::unsupported_method: return "不支持的压缩方式";
        case zip::DirectoryError::encrypted: return "已加密，无法校验";
        default: return "压缩包的目录已损坏";
    }
}

std::string data_reason(zip::DataError error) {
    switch (error) {
        case zip::DataError::read_failed: return "无法读取（磁盘错误或文件不完整）";
        case zip::DataError::bad_local_header: return "文件头已损坏";
        case zip::DataError::wrong_size: return "大小与记录不符";
        case zip::DataError::wrong_crc: return "CRC-32 校验失败";
        default: return "压缩数据已损坏";
    }
}

// Decodes every entry of one archive, each worker through its own handle; the damaged entries in
// the order of the archive.
class ArchiveCheck {
   public:
    ArchiveCheck(fs::FileSystem& fs, const std::string& path, const zip::Directory& dir)
        : fs_(fs), path_(path), dir_(dir) {}

    std::vector<std::pair<std::size_t, zip::DataError>> run(unsigned threads) {
        const std::size_t workers = std::max<std::size_t>(1, std::min<std::size_t>(threads, dir_.entries.size()));
        std::vector<std::thread> others;
        for (std::size_t w = 1; w < workers; ++w) others.emplace_back([this] { work(); });
        work();
        for (std::thread& t : others) t.join();
        std::sort(bad_.begin(), bad_.end());
        return bad_;
    }

   private:
    void work() {
        std::unique_ptr<fs::InputFile> in = fs_.open_read_uncached(path_);
        zip::EntryDecoder decoder;
        const zip::Sink discard = [](const uint8_t*, std::size_t) { return true; };
        for (std::size_t i; (i = next_++) < dir_.entries.size();) {
            const zip::ArchiveEntry& e = dir_.entries[i];
            if (e.is_dir && e.size == 0 && e.compressed_size == 0) continue;
            const zip::DataError error = in ? decoder.decode(*in, e, dir_.data_end, discard) : zip::DataError::read_failed;
            if (error == zip::DataError::none) continue;
            std::lock_guard<std::mutex> lock(mu_);
            bad_.emplace_back(i, error);
        }
    }

    fs::FileSystem& fs_;
    const std::string& path_;
    const zip::Directory& dir_;
    std::atomic<std::size_t> next_{0};
    std::mutex mu_;
    std::vector<std::pair<std::size_t, zip::DataError>> bad_;
};

void verify_archive(fs::FileSystem& fs, const std::string& path, const std::string& name, unsigned threads,
                    SetVerdict& v) {
    std::unique_ptr<fs::InputFile> in = fs.open_read_uncached(path);
    if (!in) {
        v.damage.push_back({name, "", "无法打开"});
        return;
    }
    const zip::Directory dir = zip::read_directory(*in, fs::legacy_name);
    in.reset();
    if (dir.error != zip::DirectoryError::none) {
        const bool entry = dir.error != zip::DirectoryError::not_zip && dir.error != zip::DirectoryError::corrupt &&
                           dir.error != zip::DirectoryError::multi_disk && dir.bad_entry < dir.entries.size();
        v.damage.push_back({name, entry ? fs::shown(dir.entries[dir.bad_entry].name) : "", directory_reason(dir.error)});
        return;
    }
    for (const auto& [i, error] : ArchiveCheck(fs, path, dir).run(threads))
        v.damage.push_back({name, fs::shown(dir.entries[i].name), data_reason(error)});
    v.entries += static_cast<int>(dir.entries.size());
    v.bytes_read += dir.data_end;
}

}  // namespace

SetVerdict verify_set(fs::FileSystem& fs, const ArchiveSet& set, unsigned threads) {
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    SetVerdict v;
    v.stem = set.stem;
    const std::vector<std::string> paths = set.paths();
    for (std::size_t i = 0; i < paths.size() && i < set.names.size(); ++i)
        verify_archive(fs, paths[i], fs::shown_name(set.names[i]), threads, v);
    return v;
}

std::string verdict_text(const SetVerdict& verdict) {
    if (verdict.sound()) return "完好";
    std::string text = "已损坏：";
    for (std::size_t i = 0; i < verdict.damage.size(); ++i) {
        const Damage& d = verdict.damage[i];
        text += (i ? "；" : "") + d.archive + (d.entry.empty() ? "" : "：" + d.entry) + "：" + d.reason;
    }
    return text;
}

std::string verdict_line(const HistoryRow& row, const SetVerdict& verdict) {
    return row.set.stem + "（" + row.info.kind + "）：" + verdict_text(verdict);
}

bool keep_verdict(fs::FileSystem& fs, const HistoryRow& row, const SetVerdict& verdict) {
    const std::string mark = verdict.sound() ? "" : verdict_text(verdict);
    if (mark == row.info.damaged) return true;
    return info_of(fs, row).set_damaged(row.set.key(), mark);
}

}  // namespace backup
