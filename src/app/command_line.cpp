#include "app/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "app/project_loading.h"
#include "app/startup.h"
#include "backup/backup_report.h"
#include "backup/backup_system_win.h"
#include "backup/processes.h"
#include "backup/retention_win.h"
#include "config/config_lock.h"
#include "config/ini.h"
#include "config/machine_list.h"
#include "config/names.h"
#include "config/project_list.h"
#include "paths/files.h"
#include "paths/folders_win.h"
#include "paths/gbk_text.h"
#include "paths/time_text.h"

namespace {

constexpr size_t kLogLimit = 256 * 1024;  // bytes; the oldest lines go first
constexpr DWORD kLookInterval = 1000;     // ms between looks at the process list

const char kUsage[] =
    "用法：\r\n"
    "  Varnoke.exe                   打开主窗口\r\n"
    "  Varnoke.exe /backup <项目名>  备份一个项目\r\n"
    "  Varnoke.exe /backup-all       备份本机项目列表中的全部项目\r\n"
    "  Varnoke.exe /play <项目名>    启动项目的程序，程序（及同名进程）全部退出后备份\r\n"
    "  Varnoke.exe /list             列出本机项目列表中的项目\r\n"
    "  Varnoke.exe /help             显示本说明\r\n"
    "退出码：0 全部备份完成；1 有存档未能备份；\r\n"
    "        2 被拒绝（项目不存在、程序正在运行、本机没有项目列表、参数有误）。\r\n"
    "备份结果同时记录在 配置目录\\varnoke.log。";

struct Command {
    enum Kind { backup, backup_all, play, list, help, bad } kind = bad;
    std::string project;
};

Command parse(const std::vector<std::string>& args) {
    std::string option = args.empty() ? "" : gbk::ascii_lower(args[0]);
    if (!option.empty() && option[0] == '-') option[0] = '/';
    const size_t extra = args.size() - 1;
    if ((option == "/backup" || option == "/play") && extra == 1 && !args[1].empty())
        return {option == "/backup" ? Command::backup : Command::play, args[1]};
    if (extra == 0 && option == "/backup-all") return {Command::backup_all, ""};
    if (extra == 0 && option == "/list") return {Command::list, ""};
    if (extra == 0 && (option == "/help" || option == "/?")) return {Command::help, ""};
    return {};
}

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

class NoProgress : public ProgressView {
   public:
    void set_percent(int) override {}
    void set_status(const std::string&) override {}
    void set_counter(const std::string&) override {}
};

std::string log_time() {
    const DateTime t = now_local();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

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

class CommandRun {
   public:
    explicit CommandRun(const std::string& tool_dir) : tool_{tool_dir} {}

    int run(const std::vector<std::string>& args) {
        const Command c = parse(args);
        if (c.kind == Command::help) return print_usage(kAllWritten);
        if (c.kind == Command::bad) {
            std::string given;
            for (const std::string& a : args) given += " " + a;
            refuse("参数有误：" + given.substr(1));
            return print_usage(kRefused);
        }
        if (!find_project_list()) return kRefused;
        if (c.kind == Command::list) return list();
        if (c.kind == Command::backup_all) return backup_all();
        std::optional<std::string> name = listed_name(c.project);
        if (!name) return refuse(c.project + "：项目列表中没有这个项目。");
        return c.kind == Command::backup ? back_up(*name) : play(*name);
    }

   private:
    int print_usage(int code) {
        console_.line(kUsage);
        return code;
    }

    // This machine's project list as start-up chose it. A tool folder of a version before 0.99
    // is left as it is: only the first start with a window may move it.
    bool find_project_list() {
        if (needs_legacy_migration(tool_.tool_dir)) {
            console_.line("请先不带参数启动一次 Varnoke，完成版本升级后的文件迁移。");
            return false;
        }
        files::create_directory(tool_.config_dir());
        const std::string id = make_machine_id(first_adapter_address(), os_build_number());
        list_ = read_machine_list(tool_, id);
        if (list_.empty()) refuse("本机存档配置文件未指定：请先启动 Varnoke 生成或选择项目列表。");
        return !list_.empty();
    }

    std::optional<std::string> listed_name(const std::string& typed) {
        for (const std::string& n : load_project_names(list_))
            if (same_project(n, typed)) return n;
        return std::nullopt;
    }

    int list() {
        for (const std::string& n : load_project_names(list_)) console_.line(n);
        return kAllWritten;
    }

    int backup_all() {
        const std::vector<std::string> projects = load_project_names(list_);
        if (projects.empty()) report({"项目列表中没有项目：" + list_});
        RunResult result = kAllWritten;
        for (const std::string& name : projects) result = worse(result, back_up(name));
        return result;
    }

    RunResult back_up(const std::string& name) {
        const CurrentProject project = load_project(list_, name, tool_, system_folders());
        decorate_project_folder(project);
        WinBackupSystem system;
        NoProgress progress;
        BackupRunner runner(system, progress);
        const Outcome outcome = runner.backup(project_state(project));
        WinArchiveFolder folder;
        const PruneResult pruned =
            prune_after_backup(folder, project.backup_folder, outcome, project.options.keep_sets);
        stamp(name);  // in every case, refusals included, as 备份存档 does
        report(backup_report_lines(name, outcome, pruned));
        return run_result(outcome);
    }

    int play(const std::string& name) {
        const CurrentProject project = load_project(list_, name, tool_, system_folders());
        const std::string exe = gbk::after_last_backslash(project.program_file);
        if (project.program_file.empty()) return refuse(name + "：没有设置程序路径，无法启动。");
        HANDLE process = nullptr;
        const bool started = start_program(project.program_file, &process);
        stamp(name);  // also when the program did not start, as 启动程序 does
        if (!started) return refuse(name + "：程序[" + project.program_file + "]未能启动。");
        console_.line("等待 " + exe + " 退出…");
        if (process) {
            WaitForSingleObject(process, INFINITE);
            CloseHandle(process);
        }
        // A launcher may have handed over to a process of the same name before it ended.
        while (is_program_running(exe)) Sleep(kLookInterval);
        return back_up(name);
    }

    // Only a project still in the list is stamped: a window may have renamed or deleted it
    // meanwhile, and a stamp would bring it back as a section without paths.
    bool stamp(const std::string& name) {
        return stamp_project(platform_project_files(list_, tool_.backup_root()), name, true);
    }

    int refuse(const std::string& why) {
        report({why});
        return kRefused;
    }

    void report(const std::vector<std::string>& lines) {
        std::vector<std::string> timed;
        for (const std::string& l : lines) {
            timed.push_back(log_time() + " " + l);
            console_.line(timed.back());
        }
        if (!files::is_directory(tool_.config_dir())) return;
        ConfigFilesLock lock;  // another run may be appending too
        const std::string path = tool_.config_dir() + "\\" + names::kRunLogFile;
        const std::string existing = files::read_bytes(path, 4 * kLogLimit).value_or("");
        files::write_bytes(path, bounded_log(existing, timed, kLogLimit));
    }

    ToolFolders tool_;
    std::string list_;  // this machine's project list
    Console console_;
};

}  // namespace

std::vector<std::string> command_line_arguments() {
    std::vector<std::string> args;
    int n = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!argv) return args;
    for (int i = 1; i < n; ++i) args.push_back(files::to_ansi(argv[i]));
    LocalFree(argv);
    return args;
}

std::optional<int> run_command_line(const std::vector<std::string>& args, const std::string& tool_dir) {
    if (args.empty()) return std::nullopt;
    return CommandRun(tool_dir).run(args);
}
