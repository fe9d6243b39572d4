#pragma once
// Backup and restore of the selected project's save folders: the steps, messages and stamps of the
// two buttons, over a small system interface so that the logic runs the same in tests.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup/zip/zip.h"

// What backup and restore need from the machine.
class BackupSystem {
   public:
    virtual ~BackupSystem() = default;
    virtual bool directory_exists(const std::string& path) = 0;
    virtual bool file_exists(const std::string& path) = 0;
    virtual bool create_directory(const std::string& path) = 0;
    virtual bool is_program_running(const std::string& exe_name) = 0;
    virtual zip::Result compress(const std::string& folder, const std::string& archive, const zip::ProgressFn& p) = 0;
    virtual zip::Result extract(const std::string& archive, const std::string& folder, const zip::ProgressFn& p) = 0;
    virtual void stamp_operation_time(const std::string& project) = 0;
};

// The main window's progress display.
class ProgressView {
   public:
    virtual ~ProgressView() = default;
    virtual void set_percent(int percent) = 0;
    virtual void set_status(const std::string& text) = 0;   // 进度提示标签
    virtual void set_counter(const std::string& text) = 0;  // 进度数标签, "k/N"
};

struct ProjectState {
    std::string name;               // text of the project combo box
    std::string program_path_text;  // text of the program path box, as shown
    std::vector<std::string> save_paths;
    std::string backup_folder;  // tool folder + "\存档目录\" + name
};

// Archive of save folder k (1-based): the first archive's name, followed by k from the second on.
std::string archive_name(const std::string& first_archive, int k);

class BackupRunner {
   public:
    BackupRunner(BackupSystem& system, ProgressView& view) : system_(system), view_(view) {}

    void backup(const ProjectState& project);
    // `chosen` asks the user for the archive (nullopt on cancel); it is called only when the program
    // is not running.
    void restore(const ProjectState& project, const std::function<std::optional<std::string>()>& choose);

    // The first archive of the latest backup; shown when an archive is done.
    const std::string& last_archive_path() const { return last_archive_path_; }

   private:
    bool refuse_if_running(const ProjectState& project, const char* what);
    bool refuse_if_bad_name(const ProjectState& project);
    bool backup_folder_k(const ProjectState& project, int k, std::string& first_written);
    bool restore_archive_k(const ProjectState& project, const std::string& first, int k);
    zip::ProgressFn progress_to(const std::string& done_name, const char* done_word);

    BackupSystem& system_;
    ProgressView& view_;
    std::string last_archive_path_;
};
