#include "app/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "app/project_decoration.h"
#include "app/startup.h"
#include "app/sync_machine.h"
#include "backup/backup_report.h"
#include "backup/outcome_text.h"
#include "ui/prompt.h"
#include "backup/processes.h"
#include "config/config_lock.h"
#include "config/machine_list.h"
#include "config/names.h"
#include "config/project_list.h"
#include "fs/wide_text.h"
#include "paths/files.h"
#include "paths/folders_win.h"
#include "paths/time_text.h"
#include "run/command_run.h"
#include "run/operation_control.h"
#include "run/run_log.h"

namespace {

// Where printed lines go: the handle this process was given (a redirection), else the console of
// the process that started it. A program started from the desktop has neither; then only the log.
class Console {
   public:
    ~Console() {
        if (own_) CloseHandle(out_);
    }
    void line(const std::string& text) {
        if (!opened_) open();
        const std::string bytes = text + "\r\n";
        DWORD written = 0;
        if (out_) WriteFile(out_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

   private:
    void open() {
        opened_ = true;
        HANDLE given = GetStdHandle(STD_OUTPUT_HANDLE);
        if (given && given != INVALID_HANDLE_VALUE && GetFileType(given) != FILE_TYPE_UNKNOWN) {
            out_ = given;
            return;
        }
        if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
        HANDLE h = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return;
        out_ = h;
        own_ = true;
    }
    HANDLE out_ = nullptr;
    bool opened_ = false, own_ = false;
};

// Starts the program as 启动程序 does; a handle to the started process when the shell gives one.
bool start_program(const std::string& file, HANDLE* process) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = "open";
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info)) return false;
    *process = info.hProcess;
    return true;
}

// The machine a run works on: the console, the log beside the project lists, the real files.
class WinCommandHost : public CommandHost {
   public:
    WinCommandHost(const std::string& tool_dir, fs::FileSystem& fs)
        : tool_{tool_dir}, fs_(fs), record_(fs, tool_.config_dir()) {}
    ~WinCommandHost() override {
        if (process_) CloseHandle(process_);
    }

    void print(const std::string& line) override { console_.line(line); }

    void report(const std::vector<std::string>& lines) override {
        for (const std::string& l : append_run_log(fs_, tool_.config_dir(), lines))
            console_.line(l);
    }

    bool needs_legacy_migration() override {
        return ::needs_legacy_migration(fs_, tool_);
    }

    std::string machine_list() override {
        bool made = false;
        fs_.make_dir(tool_.config_dir(), &made);
        const std::string machine = make_machine_id(first_adapter_address(), os_build_number());
        use_path_fixes(read_path_fixes(fs_, tool_, machine));
        return read_machine_list(fs_, tool_, machine);
    }

    std::vector<std::string> project_names(const std::string& list) override { return load_project_names(fs_, list); }

    CurrentProject load_project(const std::string& list, const std::string& name) override {
        return ::load_project(list_files(list), name, tool_, system_folders());
    }

    // The window's controller, run on this thread.
    BackupJobResult back_up(const std::string& list, const CurrentProject& project, const BackupJob& job) override {
        decorate_project_folder(fs_, project);
        Operation backup;
        backup.project = project_state(project, project.program_path, system_folders());
        backup.job = job;
        return run(list, backup);
    }

    RestoreAllRecord* restore_all_record() override { return &record_; }

    RestoreAllRow look_at(const CurrentProject& project) override {
        return restore_all_row(fs_, project, system_folders(), files::drive_exists);
    }

    BackupJobResult restore(const std::string& list, const CurrentProject& project,
                            const std::string& first_archive) override {
        return run(list, restore_without_question(project_state(project, project.program_path, system_folders()),
                                                  first_archive));
    }

    bool stamp(const std::string& list, const std::string& name) override {
        return ListStamp(list_files(list)).stamp(name);
    }

    bool start_program(const std::string& file) override { return ::start_program(file, &process_); }

    void wait_for_started_program() override {
        if (!process_) return;
        WaitForSingleObject(process_, INFINITE);
        CloseHandle(process_);
        process_ = nullptr;
    }

    bool is_program_running(const std::string& exe_name) override { return backup::is_program_running(exe_name); }
    void pause(unsigned milliseconds) override { Sleep(milliseconds); }
    fs::FileSystem& files() override { return fs_; }

    SyncReport sync(const std::string& list, const std::string& project) override {
        return upload_pending_sets(sync_setup(), list_files(list), project);
    }

    // The game has not started yet: the question cannot come up over it.
    void offer_newer_set(const std::string& list, const CurrentProject& project) override {
        const SyncSetup quick = platform_sync_setup(fs_, tool_.tool_dir, sync_setup().machine.id, true);
        const NewerElsewhere found = newer_on_server(quick, project.name, project.backup_folder);
        if (!found.problem.empty()) report({project.name + "：启动前无法查看服务器（" + found.problem + "），照常启动"});
        if (!found.newer || show_message(newer_question(found), mb::kYesNo | mb::kIconQuestion) != mb::kIdYes)
            return;
        std::string problem;
        const std::optional<std::string> first =
            fetch_server_set(sync_setup(), project.name, project.backup_folder, found.newer->remote, &problem);
        if (!first) return report({project.name + "：无法从服务器取回 " + found.newer->stem + "：" + problem});
        const BackupJobResult restored =
            run(list, restore_without_question(project_state(project, project.program_path, system_folders()), *first));
        std::vector<std::string> lines;
        for (const backup::Notice& n : backup::restore_notices(restored.outcome))
            lines.push_back(project.name + "：" + n.text);
        report(lines);
    }

   private:
    SyncSetup sync_setup() {
        return platform_sync_setup(fs_, tool_.tool_dir, make_machine_id(first_adapter_address(), os_build_number()));
    }
    ProjectFiles list_files(const std::string& list) const { return ProjectFiles{fs_, list, tool_.backup_root()}; }

    BackupJobResult run(const std::string& list, const Operation& operation) {
        ListStamp stamp(list_files(list));
        OperationControl operations({fs_, [](const std::string& exe) { return backup::is_program_running(exe); }, stamp,
                                     [this, &list](const backup::ProjectState& p, const BackupJobResult& r) {
                                         note_written_set(sync_setup(), read_project_options(list_files(list), p.name),
                                                          p.name, r.outcome);
                                     }},
                                    nullptr);
        backup::NoProgress progress;
        return operations.run(operation, progress);
    }

    ToolFolders tool_;
    fs::FileSystem& fs_;
    Console console_;
    HANDLE process_ = nullptr;
    RestoreAllRecord record_;
};

}  // namespace

std::vector<std::string> command_line_arguments() {
    std::vector<std::string> args;
    int n = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!argv) return args;
    for (int i = 1; i < n; ++i) args.push_back(fs::to_ansi(argv[i]));
    LocalFree(argv);
    return args;
}

std::optional<int> run_command_line(const std::vector<std::string>& args, const std::string& tool_dir,
                                    fs::FileSystem& fs) {
    if (args.empty()) return std::nullopt;
    WinCommandHost host(tool_dir, fs);
    return run_command(args, host);
}
