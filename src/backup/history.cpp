#include "backup/history.h"

#include <algorithm>
#include <cstdio>

#include "backup/sets.h"
#include "paths/gbk_text.h"

namespace backup {

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
            case HistoryColumn::place: return a.place < b.place;
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

std::string note_text(const HistoryRow& row) {
    return (row.info.kept ? "★" : "") + std::string(row.info.damaged.empty() ? "" : kDamagedMark) + row.info.note;
}

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
                                          const std::vector<std::string>& save_paths,
                                          const LeftOut& left_out) {
    return compare_with_set(fs, row.set.first_archive(), save_paths, left_out);
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
        if (!c.unlisted.empty()) out += fs::named("  无法读取文件夹：", c.unlisted) + "\r\n";
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

}  // namespace backup
