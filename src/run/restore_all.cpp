#include "run/restore_all.h"

#include <algorithm>

#include "backup/outcome_text.h"
#include "backup/set_comparison.h"
#include "backup/sets.h"
#include "fs/file_names.h"
#include "paths/gbk_text.h"

const char* save_state_text(SaveState state) {
    switch (state) {
        case SaveState::missing: return "存档不存在";
        case SaveState::empty: return "存档为空";
        case SaveState::same: return "与备份相同";
        case SaveState::local_newer: return "本机存档较新";
        case SaveState::backup_newer: return "备份较新";
        case SaveState::no_backup: return "没有备份";
    }
    return "";
}

std::string path_trouble_text(const PathTrouble& trouble) {
    switch (trouble.kind) {
        case PathTrouble::other_user: return "路径在其他用户的文件夹下：" + trouble.folder;
        case PathTrouble::missing_drive: return "本机没有驱动器 " + trouble.folder;
        case PathTrouble::none: break;
    }
    return "";
}

namespace {

// Files on disk, whatever the archive holds of them.
bool holds_files(const backup::FolderComparison& c) {
    return !c.replaced.empty() || !c.identical.empty() || !c.only_on_disk.empty();
}

}  // namespace

SaveState save_state(fs::FileSystem& fs, const std::vector<std::string>& save_paths, const std::string& newest,
                     const backup::LeftOut& left_out) {
    if (newest.empty()) return SaveState::no_backup;
    const std::vector<backup::FolderComparison> compared = backup::compare_with_set(fs, newest, save_paths, left_out);
    bool all_missing = true, all_without_files = true, all_unchanged = true, local_newer = false;
    for (const backup::FolderComparison& c : compared) {
        if (c.folder.empty()) continue;  // an empty entry has nothing to compare
        all_missing = all_missing && c.folder_missing;
        all_without_files = all_without_files && !holds_files(c);
        all_unchanged = all_unchanged && c.unchanged();
        // Saves the set does not hold, or holds older: a restore would take them back.
        local_newer = local_newer || !c.newer_on_disk.empty() || !c.only_on_disk.empty();
    }
    if (all_missing) return SaveState::missing;
    if (all_without_files) return SaveState::empty;
    if (all_unchanged) return SaveState::same;
    return local_newer ? SaveState::local_newer : SaveState::backup_newer;
}

RestoreAllRow restore_all_row(fs::FileSystem& fs, const CurrentProject& project, const Folders& folders,
                              const std::function<bool(char drive)>& drive_exists) {
    RestoreAllRow row;
    row.project = project.name;
    row.save_text = project.save_paths_text;
    const std::vector<backup::ArchiveSet> sets = backup::list_sets(fs, project.backup_folder);
    if (!sets.empty()) {
        row.newest = sets.front().first_archive();
        row.newest_time = sets.front().stem;
    }
    row.state = save_state(fs, project.save_paths, row.newest,
                           {project.excluded_folders, backup::Exclusions::lenient(project.options.exclusions)});
    // A project without a save path has nowhere to restore to: it is never ticked in advance.
    const bool has_saves = std::any_of(project.save_paths.begin(), project.save_paths.end(),
                                       [](const std::string& p) { return !p.empty(); });
    row.ticked = has_saves && (row.state == SaveState::missing || row.state == SaveState::empty);
    row.trouble = project_path_trouble(project, folders, drive_exists);
    return row;
}

PathTrouble project_path_trouble(const CurrentProject& project, const Folders& folders,
                                 const std::function<bool(char drive)>& drive_exists, PathTrouble::Kind only) {
    std::vector<std::string> paths;
    for (const std::string& path : project.save_paths) paths.push_back(fs::shown(path));
    paths.push_back(project.program_file);
    for (const std::string& path : paths) {
        if (path.empty()) continue;
        const PathTrouble t = check_path(path, folders, drive_exists);
        if (t.kind != PathTrouble::none && (only == PathTrouble::none || t.kind == only)) return t;
    }
    return {};
}

Operation restore_without_question(const backup::ProjectState& project, const std::string& first_archive) {
    Operation operation;
    operation.kind = Operation::restore;
    operation.project = project;
    operation.ask.choose_archive = [first_archive] { return std::optional<std::string>(first_archive); };
    operation.ask.confirm_overwrite = [] { return true; };
    return operation;
}

void RestoreAllTally::skip(const RestoreAllRow& row) {
    skipped.push_back(row.project + "（" + save_state_text(row.state) + "）");
}

// A restore that changed the saves counts as done; what it could not do goes beside its name.
void RestoreAllTally::add(const std::string& project, const BackupJobResult& result) {
    const backup::Outcome& o = result.outcome;
    std::string why;
    for (const backup::Notice& n : backup::restore_notices(o))
        if (n.warning || o.first_done.empty()) why += (why.empty() ? "" : "；") + n.text;
    for (size_t at; (at = why.find("\r\n")) != std::string::npos;) why.replace(at, 2, " ");
    const std::string named = why.empty() ? project : project + "（" + why + "）";
    (o.refusal == backup::Outcome::none && !o.first_done.empty() ? restored : failed).push_back(named);
}

std::string restore_all_summary(const RestoreAllTally& tally) {
    std::string text = tally.failed.empty() ? "全部恢复完成。" : "全部恢复完成，有项目未能恢复。";
    const auto section = [&text](const char* title, const std::vector<std::string>& items) {
        if (items.empty()) return;
        text += std::string("\r\n\r\n") + title + "（" + std::to_string(items.size()) + "）：";
        for (const std::string& item : items) text += "\r\n  " + item;
    };
    section("已恢复", tally.restored);
    section("已跳过", tally.skipped);
    section("失败", tally.failed);
    if (tally.restored.size() > 0) text += "\r\n\r\n每个项目恢复前的存档都保存在各自的 恢复前，可用“撤销上次恢复”取回。";
    return text;
}

namespace {

constexpr const char* kRecordFile = FS_NAME("全部恢复.txt");

std::string joined_names(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : "、") + n;
    return out;
}

}  // namespace

RestoreAllRecord::RestoreAllRecord(fs::FileSystem& fs, const std::string& config_dir)
    : fs_(fs), path_(config_dir + "/" + kRecordFile) {}

void RestoreAllRecord::begin(const std::vector<RestoreAllRow>& queued) {
    lines_.clear();
    for (const RestoreAllRow& row : queued) lines_.push_back({'?', row.project, row.newest});
    write();
}

void RestoreAllRecord::ended(const std::string& project, bool restored) {
    for (Line& line : lines_)
        if (line.project == project && line.mark == '?') line.mark = restored ? '+' : '-';
    write();
}

void RestoreAllRecord::finish() { fs_.remove_file(path_); }

// Written whole each time: a reader finds one state or the next, never a part.
void RestoreAllRecord::write() {
    std::string text;
    // Text as the user reads it, like the names: the file is ANSI throughout.
    for (const Line& l : lines_) text += std::string(1, l.mark) + "\t" + l.project + "\t" + fs::shown(l.archive) + "\r\n";
    fs::write_file_atomically(fs_, path_, text);
}

std::string interrupted_restore_all_text(
    fs::FileSystem& fs, const std::string& config_dir,
    const std::function<std::vector<std::string>(const std::string& project)>& save_paths_of) {
    const std::string path = config_dir + "/" + kRecordFile;
    const std::optional<std::string> text = fs::read_whole_file(fs, path, 1 << 20);
    if (!text) return "";
    fs.remove_file(path);
    std::vector<std::string> restored, not_restored;
    for (const std::string& line : gbk::split(*text, '\n')) {
        std::vector<std::string> fields = gbk::split(line, '\t');
        if (fields.size() != 3 || fields[0].size() != 1) continue;  // a line cut short says nothing
        if (!fields[2].empty() && fields[2].back() == '\r') fields[2].pop_back();
        bool done = fields[0] == "+";
        if (fields[0] == "?") {
            const std::vector<std::string> saves = save_paths_of(fields[1]);
            done = !saves.empty();
            for (const backup::FolderComparison& c : backup::compare_with_set(fs, fs::path_of(fields[2]), saves, {}))
                done = done && c.unchanged();
        }
        (done ? restored : not_restored).push_back(fields[1]);
    }
    std::string said = "上次的全部恢复没有做完就被中断了。";
    if (!restored.empty()) said += "\r\n已恢复：" + joined_names(restored);
    if (!not_restored.empty()) said += "\r\n没有恢复（存档保持原样）：" + joined_names(not_restored);
    return said;
}
