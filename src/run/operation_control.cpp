#include "run/operation_control.h"

#include <algorithm>

#include "backup/backup_report.h"
#include "config/project_edit.h"

Told told_of(const Operation& operation, const BackupJobResult& result) {
    const std::string& name = operation.project.name;
    Told told;
    if (!operation.unattended.empty()) {
        const bool backup = operation.kind == Operation::backup;
        told.note = backup ? backup_note(name, operation.unattended, result, operation.job.kind == backup::backup_kind::kTimed)
                           : quick_restore_note(name, result.outcome);
        if (!backup && !result.stamped) told.note->log_lines.push_back(stamp_failure_text(name));
        return told;
    }
    switch (operation.kind) {
        case Operation::backup:
            told.boxes = backup::backup_notices(result.outcome);
            for (const backup::Notice& n : backup::prune_notices(result.pruned)) told.boxes.push_back(n);
            break;
        case Operation::restore: told.boxes = backup::restore_notices(result.outcome); break;
        case Operation::undo: told.boxes = backup::undo_notices(result.outcome); break;
    }
    if (!result.stamped) told.progress_line = stamp_failure_text(name);
    return told;
}

std::string busy_text(const std::string& project) { return project + "：上一项备份或恢复还没有结束，请稍后再试"; }

// The newest progress of one operation, kept for the window thread: whatever came meanwhile is
// shown once, so a fast worker never floods the window.
struct OperationControl::Relay : backup::ProgressView {
    explicit Relay(OperationControl& c) : control(c) {}
    void set_percent(int p) override {
        change(kPercent, [&] { percent = p; });
    }
    void set_status(const std::string& t) override {
        change(kStatus, [&] { status = t; });
    }
    void set_counter(const std::string& t) override {
        change(kCounter, [&] { counter = t; });
    }
    template <typename Change>
    void change(unsigned what, Change c) {
        {
            std::lock_guard<std::mutex> lock(control.mutex_);
            c();
            dirty |= what;
        }
        control.request_wake();
    }

    static constexpr unsigned kPercent = 1, kStatus = 2, kCounter = 4;
    OperationControl& control;
    int percent = 0;  // these, guarded by the controller's mutex
    std::string status, counter;
    unsigned dirty = 0;
};

struct OperationControl::Question {
    enum State { waiting, asking, answered, cancelled };
    std::function<void()> ask;
    State state = waiting;
};

struct OperationControl::Running {
    explicit Running(OperationControl& c) : relay(c) {}
    std::string project;
    bool attended = true;
    backup::ProgressView* view = nullptr;
    Relay relay;
    std::thread thread;
};

OperationControl::OperationControl(OperationMachine machine, OperationHost* host) : machine_(std::move(machine)), host_(host) {}

OperationControl::~OperationControl() { stop(); }

// The button's work keeps every core; unattended work leaves them to the game.
backup::BackupMachine OperationControl::machine_for(const Operation& operation) const {
    return {machine_.fs, machine_.is_running, operation.unattended.empty() ? 0u : 1u};
}

BackupJobResult OperationControl::run(const Operation& operation, backup::ProgressView& view) {
    backup::BackupRunner runner(machine_for(operation), view);
    if (operation.kind == Operation::backup) {
        BackupJobResult result = run_backup_job(runner, machine_.fs, machine_.stamp, operation.project, operation.job);
        if (machine_.backed_up) machine_.backed_up(operation.project, result);
        return result;
    }
    backup::ProjectState project = operation.project;
    if (operation.job.while_running) project.program_file.clear();  // asked for while playing
    BackupJobResult result;
    result.outcome = operation.kind == Operation::restore ? runner.restore(project, operation.ask)
                                                          : runner.undo(project, operation.confirm_undo);
    result.stamped = machine_.stamp.stamp(project.name);  // refusals and cancels included
    return result;
}

bool OperationControl::start(Operation operation, backup::ProgressView* view, Finished finished) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || !host_) return false;
    for (const Running& r : running_)
        if (same_project(r.project, operation.project.name)) return false;
    running_.emplace_back(*this);
    Running& running = running_.back();
    running.project = operation.project.name;
    running.attended = operation.unattended.empty();
    running.view = view;
    running.thread = std::thread([this, &running, operation = asking_on_window_thread(std::move(operation)),
                                  finished = std::move(finished)] {
        const BackupJobResult result = run_worker(running, operation);
        post([this, &running, finished, result] { end(running, finished, result); });
    });
    return true;
}

BackupJobResult OperationControl::run_worker(Running& running, const Operation& operation) {
    const bool unattended = !running.attended;
    if (unattended) host_->background(true);
    BackupJobResult result = run(operation, running.relay);
    if (unattended) host_->background(false);
    return result;
}

// On the window thread: the newest progress first, then what the user is told; the project stays
// busy until that is done.
void OperationControl::end(Running& running, const Finished& finished, const BackupJobResult& result) {
    show_progress();
    if (finished) finished(result);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return;  // stop() waits for the thread; the entry goes with the controller
    }
    running.thread.join();  // it has nothing left to do but return
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_.remove_if([&](const Running& r) { return &r == &running; });
    }
    host_->settled();
}

bool OperationControl::busy(const std::string& project) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Running& r : running_)
        if (same_project(r.project, project)) return true;
    return false;
}

bool OperationControl::working() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !running_.empty();
}

bool OperationControl::attended_working() const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Running& r : running_)
        if (r.attended) return true;
    return false;
}

void OperationControl::post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return;
        tasks_.push_back(std::move(task));
    }
    request_wake();
}

void OperationControl::request_wake() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (wake_pending_ || stopping_ || !host_) return;
        wake_pending_ = true;
    }
    if (host_->wake()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    wake_pending_ = false;
}

void OperationControl::deliver() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wake_pending_ = false;
    }
    show_progress();
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (tasks_.empty() || stopping_) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

void OperationControl::show_progress() {
    struct Shown {
        backup::ProgressView* view;
        unsigned dirty;
        int percent;
        std::string status, counter;
    };
    std::vector<Shown> shown;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Running& r : running_) {
            Relay& p = r.relay;
            if (r.view && p.dirty) shown.push_back({r.view, p.dirty, p.percent, p.status, p.counter});
            p.dirty = 0;
        }
    }
    for (const Shown& s : shown) {
        if (s.dirty & Relay::kPercent) s.view->set_percent(s.percent);
        if (s.dirty & Relay::kStatus) s.view->set_status(s.status);
        if (s.dirty & Relay::kCounter) s.view->set_counter(s.counter);
    }
}

// A question of the worker runs on the window thread while the worker waits for its answer; when
// the controller stops first, the worker takes `if_stopped` and the answer, if any, goes nowhere.
template <typename T>
std::function<T()> OperationControl::on_window(std::function<T()> question, T if_stopped) {
    if (!question) return question;
    return [this, question = std::move(question), if_stopped]() -> T {
        auto answer = std::make_shared<std::optional<T>>();
        auto q = std::make_shared<Question>();
        q->ask = [question, answer] { *answer = question(); };
        return ask_window(q) && answer->has_value() ? **answer : if_stopped;
    };
}

Operation OperationControl::asking_on_window_thread(Operation operation) {
    backup::RestoreQuestions& ask = operation.ask;
    ask.choose_archive = on_window<std::optional<std::string>>(std::move(ask.choose_archive), std::nullopt);
    ask.confirm_overwrite = on_window<bool>(std::move(ask.confirm_overwrite), false);
    operation.confirm_undo = on_window<bool>(std::move(operation.confirm_undo), false);
    return operation;
}

bool OperationControl::ask_window(const std::shared_ptr<Question>& question) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopping_) return false;
    questions_.push_back(question);
    tasks_.push_back([this, question] { answer(question); });
    lock.unlock();
    request_wake();
    lock.lock();
    answered_.wait(lock, [&] { return question->state == Question::answered || question->state == Question::cancelled; });
    questions_.erase(std::find(questions_.begin(), questions_.end(), question));
    return question->state == Question::answered;
}

void OperationControl::answer(const std::shared_ptr<Question>& question) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (question->state != Question::waiting) return;
        question->state = Question::asking;
    }
    question->ask();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (question->state == Question::asking) question->state = Question::answered;
    }
    answered_.notify_all();
}

void OperationControl::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        tasks_.clear();
        for (const std::shared_ptr<Question>& q : questions_)
            if (q->state != Question::answered) q->state = Question::cancelled;
    }
    answered_.notify_all();
    for (Running& r : running_)
        if (r.thread.joinable()) r.thread.join();
}
