#include "backup/history.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "backup/sets.h"
#include "backup/restore.h"
#include "backup/zip/archive_reader.h"
#include "fs/case_fold.h"
#include "backup/zip/names.h"
#include "paths/gbk_text.h"

namespace {

void add_sets(fs::FileSystem& fs, const std::string& folder, int save_folders, bool safety,
              std::vector<HistoryRow>& rows) {
    for (ArchiveSet& set : list_sets(fs, folder)) {
        HistoryRow row;
        row.set = std::move(set);
        for (uint64_t size : row.set.sizes) row.size += size;
        row.folders = save_folders;
        row.safety_copy = safety;
        rows.push_back(std::move(row));
    }
}

int present_archives(const HistoryRow& row) { return static_cast<int>(row.set.names.size()); }

// ---- Comparison ----------------------------------------------------------------------------------

struct FileFacts {
    std::string name;  // relative, UTF-8, '/'-separated
    uint64_t size = 0;
    int64_t mtime = 0;
};
using Files = std::map<std::string, FileFacts>;  // by folded name: Windows matches names without case

constexpr int64_t kTimeSlack = 2;  // seconds: a DOS time is even

void list_disk(fs::FileSystem& fs, const std::string& dir, const std::string& prefix,
               std::set<fs::FolderId>& seen, Files& files) {
    const std::optional<fs::FolderId> id = fs.folder_id(dir);
    if (id && !seen.insert(*id).second) return;  // a link round in a circle
    std::vector<fs::DirEntry> entries;
    if (!fs.list_dir(dir, &entries)) return;
    for (const fs::DirEntry& e : entries) {
        if (e.unreachable) continue;
        const std::string rel = prefix.empty() ? e.name : prefix + "/" + e.name;
        if (e.is_dir)
            list_disk(fs, fs::join_path(dir, e.name), rel, seen, files);
        else
            files[fs::fold_case(rel)] = {rel, e.size, e.mtime};
    }
}

// Only the central directory is read; "" and the files, or the reason it could not be read.
std::string list_archive(fs::FileSystem& fs, const std::string& archive, Files& files) {
    std::unique_ptr<fs::InputFile> in = fs.open_read(archive);
    if (!in) return "无法打开";
    const zip::Directory dir = zip::read_directory(*in, fs::legacy_name);
    if (dir.error == zip::DirectoryError::not_zip || dir.error == zip::DirectoryError::corrupt ||
        dir.error == zip::DirectoryError::multi_disk)
        return "不是完好的 ZIP 文件";
    for (const zip::ArchiveEntry& e : dir.entries) {
        std::string rel;
        bool is_dir = false;
        if (e.is_dir || !zip::safe_relative_path(e.name, &rel, &is_dir) || is_dir) continue;
        files[fs::fold_case(rel)] = {rel, e.size, e.mtime};
    }
    return "";
}

FolderComparison compare_folder(fs::FileSystem& fs, int k, const std::string& archive, const std::string& folder) {
    FolderComparison c;
    c.k = k;
    c.folder = folder;
    c.archive = archive;
    Files in_archive, on_disk;
    if (!fs.exists(archive)) {
        c.archive_missing = true;
        return c;
    }
    c.unreadable = list_archive(fs, archive, in_archive);
    if (!c.unreadable.empty()) return c;
    std::set<fs::FolderId> seen;
    if (!folder.empty()) list_disk(fs, folder, "", seen, on_disk);
    auto shown = [](const std::string& rel) { return fs::shown(rel); };
    for (const auto& [key, a] : in_archive) {
        auto d = on_disk.find(key);
        if (d == on_disk.end()) {
            c.added.push_back(shown(a.name));
            continue;
        }
        const FileFacts& f = d->second;
        const bool same_time = std::llabs(f.mtime - a.mtime) <= kTimeSlack;
        if (f.size == a.size && same_time) {
            c.identical.push_back(shown(f.name));
            continue;
        }
        c.replaced.push_back(shown(f.name));
        if (f.mtime > a.mtime + kTimeSlack) c.newer_on_disk.push_back(shown(f.name));
    }
    for (const auto& [key, d] : on_disk)
        if (!in_archive.count(key)) c.only_on_disk.push_back(shown(d.name));
    return c;
}

constexpr size_t kNamesShown = 8;

void append_names(std::string& out, const char* what, const std::vector<std::string>& names) {
    if (names.empty()) return;
    out += "  " + std::string(what) + std::to_string(names.size()) + " 个\r\n";
    for (size_t i = 0; i < names.size() && i < kNamesShown; ++i) out += "    " + names[i] + "\r\n";
    if (names.size() > kNamesShown) out += "    …\r\n";
}

}  // namespace

std::vector<HistoryRow> history_rows(fs::FileSystem& fs, const std::string& backup_folder, int save_folders) {
    std::vector<HistoryRow> rows;
    add_sets(fs, backup_folder, save_folders, false, rows);
    add_sets(fs, fs::join_path(backup_folder, kSafetyCopyFolder), save_folders, true, rows);
    for (HistoryRow& row : rows) {
        row.info = info_of(fs, row).of(row.set.key());
        if (row.safety_copy) row.info.kind = backup_kind::kSafetyCopy;
    }
    sort_rows(rows, HistoryColumn::time, false);
    return rows;
}

// A safety copy's note lives beside it, so that a backup of the same second cannot share it.
BackupInfo info_of(fs::FileSystem& fs, const HistoryRow& row) { return BackupInfo(fs, row.set.folder); }

void sort_rows(std::vector<HistoryRow>& rows, HistoryColumn by, bool ascending) {
    auto less = [by](const HistoryRow& a, const HistoryRow& b) {
        switch (by) {
            case HistoryColumn::kind: return a.info.kind < b.info.kind;
            case HistoryColumn::size: return a.size < b.size;
            case HistoryColumn::folders: return present_archives(a) < present_archives(b);
            case HistoryColumn::note:
                return std::make_pair(!a.info.kept, a.info.note) < std::make_pair(!b.info.kept, b.info.note);
            case HistoryColumn::time: break;
        }
        return a.set.seconds < b.set.seconds;
    };
    // Ties stay newest first whichever way the column runs.
    std::stable_sort(rows.begin(), rows.end(), [](const HistoryRow& a, const HistoryRow& b) { return a.set.seconds > b.set.seconds; });
    std::stable_sort(rows.begin(), rows.end(), [&](const HistoryRow& a, const HistoryRow& b) {
        return ascending ? less(a, b) : less(b, a);
    });
}

std::string size_text(uint64_t bytes) {
    char buf[32];
    if (bytes < 1024 * 1024) {
        std::snprintf(buf, sizeof buf, "%llu KB", static_cast<unsigned long long>((bytes + 1023) / 1024));
    } else {
        std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    }
    return buf;
}

std::string folders_text(const HistoryRow& row) {
    return std::to_string(present_archives(row)) + "/" + std::to_string(row.folders);
}

std::string note_text(const HistoryRow& row) { return (row.info.kept ? "★" : "") + row.info.note; }

std::string clip_note(const std::string& note) {
    std::string line;
    size_t chars = 0;
    for (size_t i = 0; i < note.size() && chars < static_cast<size_t>(kNoteLength); ++chars) {
        const size_t n = gbk::char_len(note, i);
        const char c = note[i];
        line += (c == '\r' || c == '\n' || c == '\t') ? std::string(" ") : note.substr(i, n);
        i += n;
    }
    return line;
}

std::vector<FolderComparison> compare_set(fs::FileSystem& fs, const HistoryRow& row,
                                          const std::vector<std::string>& save_paths) {
    std::vector<FolderComparison> out;
    for (size_t k = 1; k <= save_paths.size(); ++k)
        out.push_back(compare_folder(fs, static_cast<int>(k), archive_name(row.set.first_archive(), static_cast<int>(k)),
                                     save_paths[k - 1]));
    return out;
}

std::string comparison_text(const std::vector<FolderComparison>& folders, const std::string& heading) {
    std::string out;
    size_t newer = 0;
    std::vector<std::string> newer_names;
    for (const FolderComparison& c : folders) {
        newer += c.newer_on_disk.size();
        for (const std::string& n : c.newer_on_disk)
            if (newer_names.size() < 3) newer_names.push_back(n);
    }
    if (newer > 0) {
        out += "当前存档比这个备份新：" + std::to_string(newer) + " 个文件在磁盘上比备份里的新（";
        for (size_t i = 0; i < newer_names.size(); ++i) out += (i ? "、" : "") + newer_names[i];
        out += newer > newer_names.size() ? " 等），" : "），";
        out += "恢复会用备份里较旧的文件替换它们。\r\n\r\n";
    }
    if (!heading.empty()) out += heading + "\r\n";
    for (const FolderComparison& c : folders) {
        out += "存档文件夹 " + std::to_string(c.k) + "：" + fs::shown(c.folder) + "\r\n";
        if (c.archive_missing) {
            out += "  备份中没有这个文件夹的压缩文件，恢复不会改动它\r\n";
            continue;
        }
        if (!c.unreadable.empty()) {
            out += "  " + set_key(c.archive) + " " + c.unreadable + "\r\n";
            continue;
        }
        // The newer ones first, marked: they are what a restore would lose.
        std::vector<std::string> replaced;
        for (const std::string& n : c.newer_on_disk) replaced.push_back(n + "（磁盘上的更新）");
        for (const std::string& n : c.replaced)
            if (std::find(c.newer_on_disk.begin(), c.newer_on_disk.end(), n) == c.newer_on_disk.end())
                replaced.push_back(n);
        append_names(out, "将被替换：", replaced);
        append_names(out, "将新增：", c.added);
        append_names(out, "与备份相同：", c.identical);
        append_names(out, "只在磁盘上（保留不动）：", c.only_on_disk);
        if (c.replaced.empty() && c.added.empty() && c.identical.empty() && c.only_on_disk.empty())
            out += "  没有文件\r\n";
    }
    return out;
}
