#include "run/command_run.h"

#include "backup/outcome_text.h"
#include "backup/verify.h"
#include "paths/gbk_text.h"
#include "run/program_waits.h"
#include "run/timed_backups.h"

const char kUsage[] =
    "用法：\r\n"
    "  Varnoke.exe                   打开主窗口\r\n"
    "  Varnoke.exe /backup <项目名>  备份一个项目\r\n"
    "  Varnoke.exe /backup-all       备份本机项目列表中的全部项目\r\n"
    "  Varnoke.exe /restore <项目名> 用最新的备份恢复一个项目（原存档保存到 恢复前，可撤销）\r\n"
    "  Varnoke.exe /restore-all      恢复存档不存在或为空的全部项目\r\n"
    "  Varnoke.exe /play <项目名>    启动项目的程序，程序（及同名进程）全部退出后备份\r\n"
    "  Varnoke.exe /sync [<项目名>]  把待上传的备份上传到同步服务器\r\n"
    "  Varnoke.exe /verify [<项目名>] 校验一个（或全部）项目的每个备份\r\n"
    "  Varnoke.exe /list             列出本机项目列表中的项目\r\n"
    "  Varnoke.exe /help             显示本说明\r\n"
    "退出码：0 全部备份（恢复）完成；1 有存档未能备份（恢复）；\r\n"
    "        2 被拒绝（项目不存在、程序正在运行、本机没有项目列表、参数有误）。\r\n"
    "        校验时：0 全部完好；1 有备份已损坏。\r\n"
    "备份结果同时记录在 配置目录\\varnoke.log。";

Command parse_command(const std::vector<std::string>& args) {
    std::string option = args.empty() ? "" : gbk::ascii_lower(args[0]);
    if (!option.empty() && option[0] == '-') option[0] = '/';
    const size_t extra = args.empty() ? 0 : args.size() - 1;
    if ((option == "/backup" || option == "/play") && extra == 1 && !args[1].empty())
        return {option == "/backup" ? Command::backup : Command::play, args[1]};
    if (option == "/restore" && extra == 1 && !args[1].empty()) return {Command::restore, args[1]};
    if (extra == 0 && option == "/backup-all") return {Command::backup_all, ""};
    if (option == "/verify" && (extra == 0 || (extra == 1 && !args[1].empty())))
        return {Command::verify, extra ? args[1] : ""};
    if (extra == 0 && option == "/restore-all") return {Command::restore_all, ""};
    if (option == "/sync" && (extra == 0 || (extra == 1 && !args[1].empty())))
        return {Command::sync, extra ? args[1] : ""};
    if (extra == 0 && option == "/list") return {Command::list, ""};
    if (extra == 0 && (option == "/help" || option == "/?")) return {Command::help, ""};
    return {};
}

namespace {

class CommandRun {
   public:
    explicit CommandRun(CommandHost& host) : host_(host) {}

    int run(const std::vector<std::string>& args) {
        const Command c = parse_command(args);
        if (c.kind == Command::help) return print_usage(backup::kAllWritten);
        if (c.kind == Command::bad) {
            std::string given;
            for (const std::string& a : args) given += " " + a;
            refuse("参数有误：" + given.substr(given.empty() ? 0 : 1));
            return print_usage(backup::kRefused);
        }
        if (!find_project_list()) return backup::kRefused;
        if (c.kind == Command::list) return list();
        if (c.kind == Command::backup_all) return backup_all();
        if (c.kind == Command::restore_all) return restore_all();
        if (c.kind == Command::sync && c.project.empty()) return sync("");
        if (c.kind == Command::verify && c.project.empty()) return verify_all();
        const std::string* name = listed_name(c.project);
        if (!name) return refuse(c.project + "：项目列表中没有这个项目。");
        if (c.kind == Command::restore) return restore(*name);
        if (c.kind == Command::sync) return sync(*name);
        if (c.kind == Command::verify) return verify(*name);
        return c.kind == Command::backup ? back_up(*name) : play(*name);
    }

   private:
    int print_usage(int code) {
        host_.print(kUsage);
        return code;
    }

    // A tool folder of a version before 0.99 is left as it is: only the first start with a window
    // may move it.
    bool find_project_list() {
        if (host_.needs_legacy_migration()) {
            host_.print("请先不带参数启动一次 Varnoke，完成版本升级后的文件迁移。");
            return false;
        }
        list_ = host_.machine_list();
        if (list_.empty()) refuse("本机存档配置文件未指定：请先启动 Varnoke 生成或选择项目列表。");
        return !list_.empty();
    }

    const std::string* listed_name(const std::string& typed) {
        names_ = host_.project_names(list_);
        for (const std::string& n : names_)
            if (same_project(n, typed)) return &n;
        return nullptr;
    }

    int list() {
        for (const std::string& n : host_.project_names(list_)) host_.print(n);
        return backup::kAllWritten;
    }

    int backup_all() {
        return for_every_project([this](const std::string& name) { return back_up(name); });
    }

    int verify_all() {
        return for_every_project([this](const std::string& name) { return verify(name); });
    }

    // The worst result of `run` over every project of the list.
    template <typename Run>
    int for_every_project(Run run) {
        const std::vector<std::string> projects = host_.project_names(list_);
        if (projects.empty()) host_.report({"项目列表中没有项目：" + list_});
        backup::RunResult result = backup::kAllWritten;
        for (const std::string& name : projects) result = backup::worse(result, run(name));
        return result;
    }

    // One line per set; read-only but for the damaged mark.
    backup::RunResult verify(const std::string& name) {
        const CurrentProject project = host_.load_project(list_, name);
        fs::FileSystem& fs = host_.files();
        const int folders = static_cast<int>(project.save_paths.size());
        const std::vector<backup::HistoryRow> rows = backup::history_rows(fs, project.backup_folder, folders);
        if (rows.empty()) host_.report({name + "：没有可校验的备份。"});
        backup::RunResult result = backup::kAllWritten;
        for (const backup::HistoryRow& row : rows) {
            const backup::SetVerdict v = backup::verify_set(fs, row.set);
            std::vector<std::string> lines{"校验 " + name + " " + backup::verdict_line(row, v)};
            if (!backup::keep_verdict(fs, row, v)) lines.push_back(name + "：无法记下校验结果：" + row.set.stem);
            host_.report(lines);
            if (!v.sound()) result = backup::kSomeFailed;
        }
        return result;
    }

    backup::RunResult back_up(const std::string& name) {
        const CurrentProject project = host_.load_project(list_, name);
        const backup::RunResult result = report(name, host_.back_up(list_, project, command_line_job(project.options)));
        // An upload that fails leaves the set pending for the next sync: the backup itself stands.
        if (project.options.sync) sync(name);
        return result;
    }

    int sync(const std::string& name) {
        const SyncReport r = host_.sync(list_, name);
        host_.report(r.log_lines.empty() ? std::vector<std::string>{"没有待上传的备份"} : r.log_lines);
        return r.exit_code();
    }

    backup::RunResult restore(const std::string& name) {
        const CurrentProject project = host_.load_project(list_, name);
        const RestoreAllRow row = host_.look_at(project);
        if (row.newest.empty()) {
            refuse(name + "：没有备份，无法恢复。");
            return backup::kRefused;
        }
        return restore(project, row.newest);
    }

    backup::RunResult restore(const CurrentProject& project, const std::string& first_archive) {
        const BackupJobResult job = host_.restore(list_, project, first_archive);
        std::vector<std::string> lines;
        for (const backup::Notice& n : backup::restore_notices(job.outcome)) {
            lines.push_back(project.name + "：" + one_line(n.text));
        }
        host_.report(lines);
        return job.run_result();
    }

    // Only saves that are missing or empty: a restore over saves that are there is asked for by name.
    backup::RunResult restore_all() {
        RestoreAllTally tally;
        std::vector<CurrentProject> projects;
        std::vector<RestoreAllRow> queued;
        for (const std::string& name : host_.project_names(list_)) {
            CurrentProject project = host_.load_project(list_, name);
            const RestoreAllRow row = host_.look_at(project);
            if (!row.ticked) {
                tally.skip(row);
                continue;
            }
            projects.push_back(std::move(project));
            queued.push_back(row);
        }
        RestoreAllRecord* record = host_.restore_all_record();
        if (record) record->begin(queued);
        backup::RunResult result = backup::kAllWritten;
        for (size_t i = 0; i < queued.size(); ++i) {
            const backup::RunResult one = restore(projects[i], queued[i].newest);
            (one == backup::kAllWritten ? tally.restored : tally.failed).push_back(queued[i].project);
            if (record) record->ended(queued[i].project, one == backup::kAllWritten);
            result = backup::worse(result, one);
        }
        if (record) record->finish();
        host_.report({one_line(restore_all_summary(tally))});
        return result;
    }

    // Line breaks and the indents after them become one blank: the log keeps one line per event.
    static std::string one_line(std::string text) {
        for (size_t at; (at = text.find("\r\n")) != std::string::npos;) {
            size_t end = at + 2;
            while (end < text.size() && (text[end] == ' ' || text[end] == '\r' || text[end] == '\n')) ++end;
            text.replace(at, end - at, " ");
        }
        return text;
    }

    backup::RunResult report(const std::string& name, const BackupJobResult& job) {
        if (job.unchanged) {
            host_.report({unchanged_text(name)});
            return job.run_result();
        }
        std::vector<std::string> lines = backup::backup_report_lines(name, job.outcome, job.pruned);
        if (!job.stamped) lines.push_back(stamp_failure_text(name));
        host_.report(lines);
        return job.run_result();
    }

    int play(const std::string& name) {
        const CurrentProject project = host_.load_project(list_, name);
        if (project.program_file.empty()) return refuse(name + "：没有设置程序路径，无法启动。");
        if (project.options.sync && !host_.is_program_running(gbk::after_last_backslash(project.program_file)))
            host_.offer_newer_set(list_, project);
        const bool started = host_.start_program(project.program_file);
        // Also when the program did not start, as 启动程序 does.
        const backup::RunResult stamped = stamp_after_start(name);
        if (!started) return refuse(name + "：程序[" + project.program_file + "]未能启动。");
        host_.print(waiting_text(project.program_file));
        host_.wait_for_started_program();
        ProgramWaits waits;
        waits.add(name, project.program_file);
        const auto is_running = [this](const std::string& exe) { return host_.is_program_running(exe); };
        TimedBackups timed;
        timed.set_projects({{name, gbk::after_last_backslash(project.program_file), project.options.timed_minutes}});
        backup::RunResult result = stamped;
        for (int64_t waited_ms = 0; !waits.take_ended(is_running); waited_ms += kProgramLookInterval) {
            // The program runs: the running check has just found it.
            if (!timed.tick(waited_ms / 1000, [](const std::string&) { return true; }).empty())
                result = backup::worse(result, report(name, host_.back_up(list_, project, timed_job(project.options))));
            host_.pause(kProgramLookInterval);
        }
        return backup::worse(result, back_up(name));
    }

    backup::RunResult stamp_after_start(const std::string& name) {
        if (host_.stamp(list_, name)) return backup::kAllWritten;
        host_.report({stamp_failure_text(name)});
        return backup::kSomeFailed;
    }

    int refuse(const std::string& why) {
        host_.report({why});
        return backup::kRefused;
    }

    CommandHost& host_;
    std::string list_;                // this machine's project list
    std::vector<std::string> names_;  // its projects, as last read
};

}  // namespace

int run_command(const std::vector<std::string>& args, CommandHost& host) {
    return CommandRun(host).run(args);
}
