#pragma once
// The one controller of the work on save folders: backups, restores and undos, whoever asks for
// them. Each runs on a worker thread of its own, never two for one project at once; progress, the
// questions a runner asks and the end reach the window thread through the host's wake-up, so the
// window answers throughout. The command line runs the same work on its own thread.
//
// Every operation stamps 操作时间 in every case (refusals included), except a skipped backup,
// which writes nothing. Nobody waits at the window for unattended work: it runs with background
// priority and one engine thread, and it is told in a notification and the log, never in a box.
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "backup/operations.h"
#include "backup/outcome_text.h"
#include "run/backup_job.h"
#include "run/notifier.h"

struct Operation {
    enum Kind { backup, restore, undo };
    Kind kind = backup;
    backup::ProjectState project;
    BackupJob job;                        // backup
    backup::RestoreQuestions ask;                 // restore: asked on the window thread
    std::function<bool()> confirm_undo;   // undo: asked on the window thread
    // Unattended work names itself for the notification ("定时备份", "快速恢复" …); "" for work the
    // user waits for at the window.
    std::string unattended;
};

// What the user is told of a finished operation: boxes for the one at the window, a note for the
// tray and the log otherwise, and a line under the buttons.
struct Told {
    std::vector<backup::Notice> boxes;
    std::optional<Note> note;
    std::string progress_line;  // "" leaves the line as the work left it
};
Told told_of(const Operation& operation, const BackupJobResult& result);

// Said when a project already has work running.
std::string busy_text(const std::string& project);

// What the controller needs from the platform.
class OperationHost {
   public:
    virtual ~OperationHost() = default;
    // From any thread: the window thread is to call deliver() soon; false when that could not be
    // asked. Called again only after deliver() has begun, so the window's queue never holds more
    // than one such message.
    virtual bool wake() = 0;
    // On a worker: lower this thread's CPU and I/O priority for unattended work, and back.
    virtual void background(bool on) = 0;
    // On the window thread, after an operation was told and its project is free again.
    virtual void settled() = 0;
};

struct OperationMachine {
    fs::FileSystem& fs;
    std::function<bool(const std::string& exe_name)> is_running;
    OperationStamp& stamp;
    // On the worker, after every backup job, whatever it wrote: sync records the set here.
    std::function<void(const backup::ProjectState&, const BackupJobResult&)> backed_up = nullptr;
};

class OperationControl {
   public:
    using Finished = std::function<void(const BackupJobResult&)>;

    // Without a host, only run() may be used.
    OperationControl(OperationMachine machine, OperationHost* host);
    ~OperationControl();
    OperationControl(const OperationControl&) = delete;
    OperationControl& operator=(const OperationControl&) = delete;

    // Runs on the calling thread to its end; the questions are asked on it too.
    BackupJobResult run(const Operation& operation, backup::ProgressView& view);

    // Starts the work on a worker and returns at once; false, with nothing started, while the
    // project has work running or the controller is stopping. `view` (nullptr: none) is updated
    // and `finished` called on the window thread; the project counts as busy until it returns.
    bool start(Operation operation, backup::ProgressView* view, Finished finished);

    bool busy(const std::string& project) const;
    bool working() const;
    bool attended_working() const;  // work the user waits for at the window

    // On the window thread, for each wake-up: shows the newest progress, asks the questions and
    // runs what finished. A question's dialog may call it again meanwhile.
    void deliver();

    // For the window's end: questions still waiting get "no", every worker is waited for, and
    // what they finish is not delivered.
    void stop();

   private:
    struct Relay;
    struct Question;
    struct Running;

    BackupJobResult run_worker(Running& running, const Operation& operation);
    void end(Running& running, const Finished& finished, const BackupJobResult& result);
    Operation asking_on_window_thread(Operation operation);
    template <typename T>
    std::function<T()> on_window(std::function<T()> question, T if_stopped);
    bool ask_window(const std::shared_ptr<Question>& question);
    void answer(const std::shared_ptr<Question>& question);
    void post(std::function<void()> task);
    void request_wake();
    void show_progress();
    backup::BackupMachine machine_for(const Operation& operation) const;

    OperationMachine machine_;
    OperationHost* host_;
    mutable std::mutex mutex_;
    std::condition_variable answered_;
    std::list<Running> running_;
    std::deque<std::function<void()>> tasks_;  // for the window thread, in order
    std::vector<std::shared_ptr<Question>> questions_;
    bool wake_pending_ = false;
    bool stopping_ = false;
};
