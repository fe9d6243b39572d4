#include "backup/operations.h"

#include "paths/gbk_text.h"
#include "paths/time_text.h"
#include "config/project_name.h"
#include "ui/prompt.h"

namespace {

std::string counter(int k, size_t n) { return std::to_string(k) + "/" + std::to_string(n); }

void report_failure(const char* what, const std::string& archive, const std::string& reason) {
    show_message(std::string(what) + archive + "\r\n" + reason, mb::kIconExclamation);
}

}  // namespace

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

bool BackupRunner::refuse_if_running(const ProjectState& project, const char* what) {
    std::string exe = gbk::after_last_backslash(project.program_path_text);
    if (!system_.is_program_running(exe)) return false;
    show_message("程序[" + exe + "]在运行，不能进行" + what + "！");
    return true;
}

// The project name becomes a folder under "存档目录"; one that is no plain folder name could reach
// outside it.
bool BackupRunner::refuse_if_bad_name(const ProjectState& project) {
    if (is_valid_project_name(project.name)) return false;
    show_message("项目名称“" + project.name + "”不能用作文件夹名，请在配置中修改项目名称。", mb::kIconExclamation);
    return true;
}

bool BackupRunner::backup_folder_k(const ProjectState& project, int k, std::string& first_written) {
    const std::string& folder = project.save_paths[static_cast<size_t>(k - 1)];
    if (folder.empty() || !system_.directory_exists(folder)) {
        show_message("存档 " + folder + " 不存在");
        return false;
    }
    if (!system_.directory_exists(project.backup_folder)) system_.create_directory(project.backup_folder);
    std::string archive = archive_name(last_archive_path_, k);
    zip::Result r = system_.compress(folder, archive, progress_to(last_archive_path_, " 备份完成"));
    view_.set_counter(counter(k, project.save_paths.size()));
    if (!r.ok) {
        report_failure("备份失败：", archive, r.error);
        return false;
    }
    if (first_written.empty()) first_written = archive;
    return true;
}

void BackupRunner::backup(const ProjectState& project) {
    if (!refuse_if_bad_name(project) && !refuse_if_running(project, "备份")) {
        // Every archive of this run is named from this moment, whether the first folder exists or not.
        last_archive_path_ = project.backup_folder + "\\" + current_time_text() + ".zip";
        std::string first_written;
        for (size_t k = 1; k <= project.save_paths.size(); ++k)
            backup_folder_k(project, static_cast<int>(k), first_written);
        if (project.save_paths.empty()) show_message("该项目没有设置存档路径，没有可备份的存档。");
        if (!first_written.empty()) show_message("备份完成，备份文件为： \r\n" + first_written, mb::kOk, "提示：");
    }
    system_.stamp_operation_time(project.name);
}

bool BackupRunner::restore_archive_k(const ProjectState& project, const std::string& first, int k) {
    std::string archive = archive_name(first, k);
    const std::string& folder = project.save_paths[static_cast<size_t>(k - 1)];
    if (folder.empty()) {
        report_failure("恢复失败：", archive, "存档路径为空，没有恢复的位置。");
        return false;
    }
    if (!system_.file_exists(archive)) {
        report_failure("恢复失败：", archive, "备份文件不存在。");
        return false;
    }
    zip::Result r = system_.extract(archive, folder, progress_to(first, " 恢复完成"));
    if (!r.ok) report_failure("恢复失败：", archive, r.error);
    return r.ok;
}

void BackupRunner::restore(const ProjectState& project,
                           const std::function<std::optional<std::string>()>& choose) {
    if (!refuse_if_bad_name(project) && !refuse_if_running(project, "恢复")) {
        std::optional<std::string> chosen = choose();
        if (chosen && !project.save_paths.empty()) {
            const std::string& first = *chosen;
            const size_t n = project.save_paths.size();
            bool existed = system_.directory_exists(project.save_paths[0]);
            if (existed && prompt().message_box("存档已存在是否覆盖？", mb::kYesNo | mb::kIconQuestion,
                                                "信息：") != mb::kIdYes) {
                show_message("存档恢复被取消");
            } else {
                bool first_ok = true;
                for (size_t k = 1; k <= n; ++k) {
                    bool ok = restore_archive_k(project, first, static_cast<int>(k));
                    if (k == 1) first_ok = ok;
                    if (existed) view_.set_counter(counter(static_cast<int>(k), n));
                }
                if (first_ok) show_message("恢复完成，恢复文件为：\r\n" + first, mb::kOk, "提示");
            }
        }
    }
    system_.stamp_operation_time(project.name);
}
