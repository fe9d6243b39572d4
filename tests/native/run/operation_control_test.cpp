// The operations controller with this thread as the window's: work on workers, questions and the
// end delivered here, one project busy at a time, progress that never queues a second wake-up.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "fs/memory_file_system.h"
#include "run/operation_control.h"

namespace {

struct Stamps : OperationStamp {
    std::atomic<int> count{0};
    bool works = true;
    bool stamp(const std::string&) override {
        ++count;
        return works;
    }
};

// A window queue that holds at most what the controller posts; any wake-up while one is pending
// counts as flooding.
struct Queue : OperationHost {
    std::atomic<bool> pending{false};
    std::atomic<int> wakes{0}, floods{0}, settles{0};
    std::vector<std::string> priority;  // "background on/off", from the worker
    std::thread::id worker;
    bool wake() override {
        floods += pending.exchange(true);
        ++wakes;
        return true;
    }
    void background(bool on) override {
        priority.push_back(on ? "on" : "off");
        worker = std::this_thread::get_id();
    }
    void settled() override { ++settles; }
};

struct Shown : backup::ProgressView {
    int percent = -1;
    std::string status, counter;
    void set_percent(int p) override { percent = p; }
    void set_status(const std::string& t) override { status = t; }
    void set_counter(const std::string& t) override { counter = t; }
};

class Controller : public ::testing::Test {
   protected:
    void SetUp() override {
        disk.add_dir("C:/存档");
        for (int i = 0; i < 200; ++i) disk.add_file("C:/存档/f" + std::to_string(i) + ".sav", std::string(5000, 'x'));
    }
    Operation operation(Operation::Kind kind, const std::string& name = "游戏") {
        Operation o;
        o.kind = kind;
        o.project = {name, "D:\\游戏\\game.exe", {"C:/存档"}, "E:/存档目录/" + name, {}};
        return o;
    }
    // Plays the window thread until `done` holds: it delivers when it takes a wake-up from its queue,
    // as a window does (delivering unasked could meet a wake-up posted just before).
    void deliver_until(const std::function<bool()>& done) {
        for (int i = 0; i < 20000 && !done(); ++i) {
            if (queue.pending.exchange(false)) control.deliver();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(done());
    }
    // Runs one operation to its end; what it was told.
    BackupJobResult finish(Operation o, backup::ProgressView* view = nullptr) {
        BackupJobResult told;
        bool ended = false;
        EXPECT_TRUE(control.start(std::move(o), view, [&](const BackupJobResult& r) {
            told = r;
            ended = true;
        }));
        deliver_until([&] { return ended && !control.working(); });
        return told;
    }

    fs::MemoryFileSystem disk;
    bool running = false;
    Stamps stamps;
    Queue queue;
    OperationControl control{{disk, [this](const std::string&) { return running; }, stamps}, &queue};
    const std::thread::id window = std::this_thread::get_id();
};

TEST_F(Controller, ABackupRunsOnAWorkerAndItsProgressNeverFloodsTheWindow) {
    Shown shown;
    const BackupJobResult r = finish(operation(Operation::backup), &shown);
    EXPECT_EQ(r.run_result(), backup::kAllWritten);
    EXPECT_EQ(queue.floods, 0);
    EXPECT_GT(queue.wakes, 1);
    EXPECT_EQ(shown.percent, 100);  // the newest values, whatever was skipped
    EXPECT_EQ(shown.counter, "1/1");
    EXPECT_EQ(shown.status, fs::shown(r.outcome.first_done) + " 备份完成");
    EXPECT_EQ(queue.settles, 1);
    EXPECT_TRUE(queue.priority.empty());  // the user waits for it: every core, normal priority
}

// Asked in the runner's order, each on the window thread, the worker waiting; meanwhile the project
// is busy (its name in any case) and another one is not.
TEST_F(Controller, QuestionsComeToTheWindowThreadWhileTheProjectIsBusy) {
    const std::string set = finish(operation(Operation::backup)).outcome.first_done;
    disk.add_file("C:/存档/f0.sav", "played on");
    std::vector<std::string> asked;
    Operation restore = operation(Operation::restore);
    restore.ask.choose_archive = [&] {
        asked.push_back(std::this_thread::get_id() == window ? "choose on window" : "choose elsewhere");
        EXPECT_TRUE(control.busy("游戏"));
        EXPECT_FALSE(control.start(operation(Operation::backup), nullptr, nullptr));
        EXPECT_TRUE(control.start(operation(Operation::backup, "别的"), nullptr, nullptr));
        return std::optional<std::string>(set);
    };
    restore.ask.confirm_overwrite = [&] {
        asked.push_back(std::this_thread::get_id() == window ? "confirm on window" : "confirm elsewhere");
        return true;
    };
    const BackupJobResult r = finish(restore);
    EXPECT_EQ(asked, (std::vector<std::string>{"choose on window", "confirm on window"}));
    EXPECT_TRUE(r.outcome.complete());
    EXPECT_EQ(fs::read_whole_file(disk, "C:/存档/f0.sav", 10000), std::string(5000, 'x'));
    EXPECT_FALSE(control.busy("游戏"));
}

struct StampCase {
    const char* what;
    Operation::Kind kind;
    const char* unattended;
    bool set_first, running, choose, yes, stamp_works;
    int stamps;
    const char* told;  // the first box, or the note's text as it starts
};

class StampAndTell : public Controller, public ::testing::WithParamInterface<StampCase> {};

// Every operation stamps 操作时间 once, refusals and cancels included, a quick restore too; only a
// backup skipped as unchanged writes nothing. The user at the window gets boxes, nobody else does.
TEST_P(StampAndTell, OnceInEveryCaseAndToldByWhoAsked) {
    const StampCase& c = GetParam();
    const std::string set = c.set_first ? finish(operation(Operation::backup)).outcome.first_done : "E:/无.zip";
    const int before = stamps.count;
    stamps.works = c.stamp_works;
    running = c.running;
    Operation o = operation(c.kind);
    o.unattended = c.unattended;
    if (o.unattended == "定时备份") o.job = timed_job({});
    o.ask.choose_archive = [&]() -> std::optional<std::string> {
        if (!c.choose) return std::nullopt;
        return set;
    };
    o.ask.confirm_overwrite = [&] { return c.yes; };
    o.confirm_undo = [&] { return c.yes; };
    const BackupJobResult r = finish(o);
    EXPECT_EQ(stamps.count - before, c.stamps);
    // Unattended work lowers its worker's priority for its whole run and gives it back.
    EXPECT_EQ(queue.priority, (*c.unattended ? std::vector<std::string>{"on", "off"} : std::vector<std::string>{}));
    EXPECT_TRUE(!*c.unattended || queue.worker != window);
    const Told told = told_of(o, r);
    EXPECT_EQ(told.note.has_value(), *c.unattended != '\0');
    EXPECT_EQ(told.boxes.empty(), *c.unattended != '\0');
    const std::string first = told.note ? told.note->text : told.boxes.empty() ? "" : told.boxes[0].text;
    EXPECT_EQ(first.rfind(c.told, 0), 0u) << first;
    EXPECT_EQ(told.progress_line.empty(), c.stamp_works || told.note);
    if (!c.stamp_works && told.note) {
        EXPECT_EQ(told.note->log_lines.back(), stamp_failure_text("游戏"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StampAndTell,
    ::testing::Values(StampCase{"backup", Operation::backup, "", false, false, true, true, true, 1, "备份完成"},
                      StampCase{"refused", Operation::backup, "", false, true, true, true, true, 1, "程序[game.exe]"},
                      StampCase{"stamp fails", Operation::backup, "", false, false, true, true, false, 1, "备份完成"},
                      StampCase{"declined", Operation::restore, "", true, false, true, false, true, 1, "存档恢复被取消"},
                      StampCase{"quick restore", Operation::restore, "快速恢复", true, false, true, true, false, 1,
                                "游戏 快速恢复完成"},
                      StampCase{"no undo", Operation::undo, "", false, false, true, true, true, 1, "没有可以撤销"},
                      StampCase{"timed, unchanged", Operation::backup, "定时备份", true, true, true, true, true, 0,
                                "游戏 定时备份：未变化"}),
    [](const ::testing::TestParamInfo<StampCase>& info) { return "case" + std::to_string(info.index); });

// The window's end: a question nobody will answer gets "no", the worker is waited for, and what it
// finished is not delivered to a window that is gone.
TEST_F(Controller, StoppingAnswersNoAndWaitsForTheWorker) {
    bool told = false;
    Operation restore = operation(Operation::restore);
    restore.ask.choose_archive = [] { return std::optional<std::string>("E:/从未问到.zip"); };
    ASSERT_TRUE(control.start(restore, nullptr, [&](const BackupJobResult&) { told = true; }));
    while (queue.wakes == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));  // it asks
    control.stop();
    EXPECT_EQ(stamps.count, 1);  // it went on as cancelled
    control.deliver();
    EXPECT_FALSE(told);
    EXPECT_FALSE(control.start(operation(Operation::backup, "别的"), nullptr, nullptr));
}

}  // namespace
