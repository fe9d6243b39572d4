#include "backup/operations.h"

#include "config/project_name.h"
#include "paths/gbk_text.h"
#include "paths/time_text.h"

namespace {

std::string counter(int k, size_t n) { return std::to_string(k) + "/" + std::to_string(n); }

Outcome refused(Outcome::Refusal why, std::string detail = {}) {
    Outcome o;
    o.refusal = why;
    o.detail = std::move(detail);
    return o;
}

}  // namespace

bool Outcome::complete() const {
    if (refusal != none || archives.empty()) return false;
    for (const ArchiveResult& a : archives)
        if (a.status != ArchiveResult::done || !a.skipped.empty()) return false;
    return true;
}

std::string archive_name(const std::string& first_archive, int k) {
    return k == 1 ? first_archive : first_archive + std::to_string(k);
}

zip::ProgressFn BackupRunner::progress_to(const std::string& done_name, const char* done_word) {
    return [this, done_name, done_word](const zip::Progress& p) {
        view_.set_percent(p.percent);
        view_.set_status(gbk::replace_all(p.current_entry, "/", "\\"));  // shown as Windows paths
        if (p.percent >= 100) view_.set_status(done_name + done_word);
    };
}

// The project name becomes a folder under "存档目录": one that is no plain folder name could reach
// outside it. A running program may be writing its saves.
std::optional<Outcome> BackupRunner::refusal(const ProjectState& project) {
    if (!is_valid_project_name(project.name)) return refused(Outcome::bad_name, project.name);
    std::string exe = gbk::after_last_backslash(project.program_file);
    if (system_.is_program_running(exe)) return refused(Outcome::program_running, exe);
    return std::nullopt;
}

ArchiveResult BackupRunner::backup_folder_k(const ProjectState& project, const std::string& first, int k) {
    ArchiveResult r;
    r.k = k;
    r.archive = archive_name(first, k);
    r.folder = project.save_paths[static_cast<size_t>(k - 1)];
    if (r.folder.empty() || !system_.directory_exists(r.folder)) {
        r.status = ArchiveResult::folder_missing;
        return r;
    }
    if (!system_.directory_exists(project.backup_folder)) system_.create_directory(project.backup_folder);
    zip::Result z = system_.compress(r.folder, r.archive, progress_to(first, " 备份完成"));
    view_.set_counter(counter(k, project.save_paths.size()));
    r.status = z.ok ? ArchiveResult::done : ArchiveResult::failed;
    r.reason = z.error;
    r.skipped = z.skipped;
    return r;
}

Outcome BackupRunner::backup(const ProjectState& project) {
    if (std::optional<Outcome> no = refusal(project)) return *no;
    Outcome o;
    o.recovered = system_.recover(project.backup_folder);
    if (project.save_paths.empty()) {
        o.refusal = Outcome::no_save_paths;
        return o;
    }
    system_.remove_leftovers(project.backup_folder);
    // Every archive of this run is named from this moment.
    const std::string first = project.backup_folder + "\\" + current_time_text() + ".zip";
    for (size_t k = 1; k <= project.save_paths.size(); ++k) {
        // Without its first archive a set cannot be chosen for a restore: write no companions.
        if (k > 1 && o.first_done.empty()) {
            o.archives.push_back({static_cast<int>(k), archive_name(first, static_cast<int>(k)),
                                  project.save_paths[k - 1], ArchiveResult::not_tried, "", {}});
            continue;
        }
        o.archives.push_back(backup_folder_k(project, first, static_cast<int>(k)));
        if (k == 1 && o.archives.back().status == ArchiveResult::done) o.first_done = first;
    }
    return o;
}

RestoreEvents BackupRunner::restore_events(size_t folders, bool count) {
    RestoreEvents events;
    events.progress = [this](int k, const zip::Progress& p) {
        view_.set_percent(p.percent);
        const std::string entry = gbk::replace_all(p.current_entry, "/", "\\");  // shown as Windows paths
        view_.set_status(k == 0 ? "保存原存档：" + entry : entry);
    };
    events.archive_ready = [this, folders, count](int k) {
        if (count) view_.set_counter(counter(k, folders));
    };
    return events;
}

void BackupRunner::take_over(const RestoreSetResult& result, Outcome& o) {
    o.archives = result.archives;
    o.failure = result.failure;
    o.failed_k = result.failed_k;
    o.safety_copy = result.safety_copy;
}

Outcome BackupRunner::restore(const ProjectState& project, const RestoreQuestions& ask) {
    if (std::optional<Outcome> no = refusal(project)) return *no;
    const bool recovered = system_.recover(project.backup_folder);
    Outcome o = restore_chosen(project, ask);
    o.recovered = recovered;
    return o;
}

Outcome BackupRunner::restore_chosen(const ProjectState& project, const RestoreQuestions& ask) {
    std::optional<std::string> chosen = ask.choose_archive();
    if (!chosen) return refused(Outcome::cancelled);
    if (project.save_paths.empty()) return refused(Outcome::no_save_paths);
    const std::string& first = *chosen;
    const size_t n = project.save_paths.size();
    // Only an existing first folder is asked about; then the counter follows every archive.
    const bool existed = system_.directory_exists(project.save_paths[0]);
    if (existed && !ask.confirm_overwrite()) return refused(Outcome::declined);
    Outcome o;
    RestoreSetResult r = system_.restore_set({first, project.save_paths, project.backup_folder}, restore_events(n, existed));
    take_over(r, o);
    if (existed) view_.set_counter(counter(static_cast<int>(n), n));
    if (!r.changed) return o;
    if (o.archives.front().status == ArchiveResult::done) o.first_done = first;
    // With a safety copy the line says where the old save went; the archive is named in the message.
    view_.set_status(r.safety_copy.empty() ? first + " 恢复完成" : "恢复完成，原存档已保存到 恢复前");
    return o;
}

Outcome BackupRunner::undo(const ProjectState& project, const std::function<bool()>& confirm) {
    if (std::optional<Outcome> no = refusal(project)) return *no;
    const bool recovered = system_.recover(project.backup_folder);
    Outcome o = refused(Outcome::declined);
    if (!system_.has_restore_to_undo(project.backup_folder)) {
        o = refused(Outcome::nothing_to_undo);
    } else if (confirm()) {
        o = Outcome{};
        take_over(system_.undo_restore(project.backup_folder, restore_events(project.save_paths.size(), false)), o);
        if (o.failure.empty()) view_.set_status("撤销完成");
    }
    o.recovered = recovered;
    return o;
}
