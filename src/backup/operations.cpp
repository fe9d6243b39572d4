#include "backup/operations.h"

#include "backup/overlapping_folders.h"
#include "backup/restore.h"
#include "backup/sets.h"
#include "backup/zip/names.h"
#include "config/config_lock.h"
#include "config/project_name.h"
#include "paths/gbk_text.h"
#include "paths/time_text.h"

namespace backup {

namespace {

std::string counter(int k, size_t n) { return std::to_string(k) + "/" + std::to_string(n); }

ProjectFolders folders_of(const ProjectState& project) { return {project.backup_folder, project.save_paths}; }

Outcome refused(Outcome::Refusal why, std::string detail = {}) {
    Outcome o;
    o.refusal = why;
    o.detail = std::move(detail);
    return o;
}

}  // namespace

zip::ProgressFn BackupRunner::progress_to(const std::string& done_name, const char* done_word) {
    return [this, done_name, done_word](const zip::Progress& p) {
        view_.set_percent(p.percent);
        view_.set_status(p.current_entry);
        if (p.percent >= 100) view_.set_status(fs::shown(done_name) + done_word);
    };
}

// The project name becomes a folder under "存档目录": one that is no plain folder name could reach
// outside it. A running program may be writing its saves.
std::optional<Outcome> BackupRunner::refusal(const ProjectState& project) {
    if (!is_valid_project_name(project.name)) return refused(Outcome::bad_name, project.name);
    std::string exe = gbk::after_last_backslash(project.program_file);
    if (!exe.empty() && machine_.is_running && machine_.is_running(exe)) return refused(Outcome::program_running, exe);
    return std::nullopt;
}

// Each archive is written under a temporary name; publish() gives the set its names at the end.
ArchiveResult BackupRunner::backup_folder_k(const ProjectState& project, const std::string& first, int k,
                                            std::string* temp) {
    fs::FileSystem& fs = machine_.fs;
    ArchiveResult r;
    r.k = k;
    r.archive = archive_name(first, k);
    r.folder = project.save_paths[static_cast<size_t>(k - 1)];
    if (r.folder.empty() || !fs.is_folder(r.folder)) {
        r.status = ArchiveResult::folder_missing;
        return r;
    }
    fs::make_dirs(fs, project.backup_folder);
    *temp = fs::sibling_temp_path(r.archive);
    zip::Options options;
    options.fs = &fs;
    options.threads = machine_.threads;
    options.excluded_folders = project.excluded_folders;
    options.leave_out = project.exclusions.leave_out();
    zip::Result z = zip::compress_folder(r.folder, *temp, progress_to(first, " 备份完成"), options);
    view_.set_counter(counter(k, project.save_paths.size()));
    r.status = z.ok ? ArchiveResult::done : ArchiveResult::failed;
    r.reason = z.error;
    r.skipped = z.skipped;
    if (!z.ok) fs.remove_file(*temp);
    return r;
}

// The set appears whole or not at all: the companions take their names first and the first
// archive last, so a set that can be chosen for a restore always has every companion it was
// written with. Killed in between, the companions without a first archive go at the next backup.
// Under the lock that start-up's sweep of unpublished companions also takes.
void BackupRunner::publish(Outcome& o, const std::vector<std::string>& temps) {
    ConfigFilesLock publishing;
    fs::FileSystem& fs = machine_.fs;
    for (std::size_t i = 1; i < o.archives.size(); ++i) {
        ArchiveResult& r = o.archives[i];
        if (r.status != ArchiveResult::done || fs.replace(temps[i], r.archive)) continue;
        fs.remove_file(temps[i]);
        r.status = ArchiveResult::failed;
        r.reason = fs::named("无法写入压缩包：", r.archive);
    }
    const std::string& first_temp = temps[0];
    if (o.archives[0].status != ArchiveResult::done) return;
    if (fs.replace(first_temp, o.archives[0].archive)) {
        o.first_done = o.archives[0].archive;
        return;
    }
    fs.remove_file(first_temp);
    o.archives[0].status = ArchiveResult::failed;
    o.archives[0].reason = fs::named("无法写入压缩包：", o.archives[0].archive);
    for (std::size_t i = 1; i < o.archives.size(); ++i)
        if (o.archives[i].status == ArchiveResult::done) {
            fs.remove_file(o.archives[i].archive);
            o.archives[i].status = ArchiveResult::not_tried;
        }
}

Outcome BackupRunner::backup(const ProjectState& project) {
    if (std::optional<Outcome> no = refusal(project)) return *no;
    Outcome o;
    o.recovery = recover_interrupted(machine_.fs, folders_of(project));
    if (project.save_paths.empty()) {
        o.refusal = Outcome::no_save_paths;
        return o;
    }
    remove_backup_leftovers(machine_.fs, project.backup_folder);
    // Every archive of this run is named from this moment.
    const std::string first = fs::join_path(project.backup_folder, set_file_name(current_time_text()));
    std::vector<std::string> temps(project.save_paths.size());  // where each archive is written first
    for (size_t k = 1; k <= project.save_paths.size(); ++k) {
        // Without its first archive a set cannot be chosen for a restore: write no companions.
        if (k > 1 && o.archives.front().status != ArchiveResult::done) {
            o.archives.push_back({static_cast<int>(k), archive_name(first, static_cast<int>(k)),
                                  project.save_paths[k - 1], ArchiveResult::not_tried, "", {}});
            continue;
        }
        o.archives.push_back(backup_folder_k(project, first, static_cast<int>(k), &temps[k - 1]));
    }
    publish(o, temps);
    if (const std::optional<FolderOverlap> overlap = find_overlap(project.save_paths))
        o.overlapping = overlapping_pair(project.save_paths, *overlap);
    return o;
}

RestoreEvents BackupRunner::restore_events(size_t folders, bool count) {
    RestoreEvents events;
    events.threads = machine_.threads;
    events.progress = [this](int k, const zip::Progress& p) {
        view_.set_percent(p.percent);
        view_.set_status(k == 0 ? "保存原存档：" + p.current_entry : p.current_entry);
    };
    events.archive_ready = [this, folders, count](int k) {
        if (count) view_.set_counter(counter(k, folders));
    };
    return events;
}

void BackupRunner::take_over(const RestoreSetResult& result, Outcome& o) {
    o.archives = result.archives;
    o.recovery = result.recovery;
    o.record_lost = result.record_lost;
    o.failure = result.failure;
    o.failed_k = result.failed_k;
    o.safety_copy = result.safety_copy;
}

Outcome BackupRunner::restore(const ProjectState& project, const RestoreQuestions& ask) {
    if (std::optional<Outcome> no = refusal(project)) return *no;
    const RecoveryReport recovery = recover_interrupted(machine_.fs, folders_of(project));
    Outcome o = restore_chosen(project, ask);
    if (!o.recovery.any()) o.recovery = recovery;
    return o;
}

Outcome BackupRunner::restore_chosen(const ProjectState& project, const RestoreQuestions& ask) {
    std::optional<std::string> chosen = ask.choose_archive();
    if (!chosen) return refused(Outcome::cancelled);
    if (project.save_paths.empty()) return refused(Outcome::no_save_paths);
    const std::string& first = *chosen;
    const size_t n = project.save_paths.size();
    // Only an existing first folder is asked about; then the counter follows every archive.
    const bool existed = machine_.fs.is_folder(project.save_paths[0]);
    if (existed && !ask.confirm_overwrite()) return refused(Outcome::declined);
    Outcome o;
    RestoreSetResult r = restore_with_safety_copy(machine_.fs, {first, project.save_paths, project.backup_folder, project.exclusions},
                                                  restore_events(n, existed));
    take_over(r, o);
    if (existed) view_.set_counter(counter(static_cast<int>(n), n));
    if (!r.changed) return o;
    const ArchiveResult::Status front = o.archives.front().status;
    if (front == ArchiveResult::done || front == ArchiveResult::covered) o.first_done = first;
    // With a safety copy the line says where the old save went; the archive is named in the message.
    view_.set_status(r.safety_copy.empty() ? fs::shown(first) + " 恢复完成" : "恢复完成，原存档已保存到 恢复前");
    return o;
}

Outcome BackupRunner::undo(const ProjectState& project, const std::function<bool()>& confirm) {
    if (std::optional<Outcome> no = refusal(project)) return *no;
    const RecoveryReport recovery = recover_interrupted(machine_.fs, folders_of(project));
    Outcome o = refused(Outcome::declined);
    if (!has_restore_to_undo(machine_.fs, project.backup_folder)) {
        o = refused(Outcome::nothing_to_undo);
    } else if (confirm()) {
        o = Outcome{};
        take_over(undo_last_restore(machine_.fs, folders_of(project), restore_events(project.save_paths.size(), false)),
                  o);
        if (o.failure.empty()) view_.set_status("撤销完成");
    }
    if (!o.recovery.any()) o.recovery = recovery;
    return o;
}

}  // namespace backup
