#include "run/backup_job.h"

RunResult BackupJobResult::run_result() const {
    const RunResult archives = ::run_result(outcome);
    if (archives == kAllWritten && (!pruned.failed.empty() || !stamped)) return kSomeFailed;
    return archives;
}

BackupJobResult run_backup_job(BackupRunner& runner, ArchiveFolder& archives, OperationStamp& stamp,
                               const ProjectState& project, int keep_sets) {
    BackupJobResult result;
    result.outcome = runner.backup(project);
    result.pruned = prune_after_backup(archives, project.backup_folder, result.outcome, keep_sets);
    result.stamped = stamp.stamp(project.name);  // refusals included
    return result;
}

std::string stamp_failure_text(const std::string& project) {
    return project + "：操作时间未能写入项目列表";
}

namespace {

// Passes every call on and remembers whether a write failed.
class WriteWatch : public ProjectStore {
   public:
    explicit WriteWatch(ProjectStore& inner) : inner_(inner) {}
    std::string read(const std::string& p, const std::string& k) override { return inner_.read(p, k); }
    bool write(const std::string& p, const std::string& k, const std::string& v) override {
        return note(inner_.write(p, k, v));
    }
    bool remove(const std::string& p) override { return note(inner_.remove(p)); }
    bool remove_key(const std::string& p, const std::string& k) override { return note(inner_.remove_key(p, k)); }
    bool backup_folder_exists(const std::string& p) override { return inner_.backup_folder_exists(p); }
    bool rename_backup_folder(const std::string& f, const std::string& t) override {
        return note(inner_.rename_backup_folder(f, t));
    }
    bool all_written() const { return ok_; }

   private:
    bool note(bool ok) {
        ok_ = ok_ && ok;
        return ok;
    }
    ProjectStore& inner_;
    bool ok_ = true;
};

}  // namespace

bool stamp_project_checked(ProjectStore& store, const std::string& project) {
    WriteWatch watch(store);
    stamp_project(watch, project);
    return watch.all_written();
}
