// Long work leaves the window free: while a slow disk makes a backup, a restore and a timed backup
// take many seconds, the window answers what another thread sends it and its tray menu opens.
#include "backup_fixture.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "app/in_game.h"
#include "zip_support/faulty_file_system.h"

namespace app_test {
namespace {

// Every save file opened for reading takes its time, so a small save makes long work; the tool's
// own files stay quick.
class SlowDisk : public zip_test::FaultyFileSystem {
   public:
    SlowDisk(fs::FileSystem& inner, std::string slow_folder) : FaultyFileSystem(inner), slow_(std::move(slow_folder)) {}
    std::atomic<int> delay_ms{0};
    std::unique_ptr<fs::InputFile> open_read(const std::string& path) override {
        if (path.rfind(slow_, 0) == 0) Sleep(delay_ms);
        return FaultyFileSystem::open_read(path);
    }

   private:
    std::string slow_;
};

bool own_menu_open() {
    HWND menu = FindWindowA("#32768", nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(menu, &pid);
    return menu && IsWindowVisible(menu) && pid == GetCurrentProcessId();
}

// Another thread, as another program: opens the tray menu through the window's own message and
// closes it again, then asks the window, again and again, to answer within 100 ms.
class Probe {
   public:
    explicit Probe(HWND window) : window_(window), thread_([this] { run(); }) {}
    ~Probe() { finish(); }
    void finish() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    int answered = 0, unanswered = 0;
    bool menu_opened = false;

   private:
    void run() {
        PostMessageA(window_, InGame::kTrayMessage, 0, WM_RBUTTONUP);
        menu_opened = wintest::wait_for(own_menu_open, 5000);
        ask();  // also while the menu is open
        SendMessageTimeoutA(window_, WM_CANCELMODE, 0, 0, SMTO_NORMAL, 1000, nullptr);
        while (!stop_) {
            ask();
            Sleep(25);
        }
    }
    void ask() {
        DWORD_PTR result = 0;
        (SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result) ? answered : unanswered)++;
    }
    HWND window_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST_F(BackupRestore, TheWindowAnswersWhileLongWorkRuns) {
    for (int i = 0; i < 40; ++i) write_file(saves / ("一\\f" + std::to_string(i) + ".sav"), "save " + std::to_string(i));
    add_project("慢盘", saves / "一", "");
    // The game whose saves the timer backs up is this program.
    add_project("游戏", saves / "一", "C:\\anywhere\\" + gbk::after_last_backslash(files::executable_path()));
    write_ini_value(wintest::ansi(app().save_config_path), "游戏", "定时备份", "1");
    SlowDisk slow(wintest::disk(), wintest::on_disk(saves.path()));
    app().fs = &slow;
    int64_t now_ms = 0;
    MainContext context = main_context();
    context.now_ms = [&] { return now_ms; };
    ASSERT_TRUE(window.create(context));
    wintest::select_combo_item(window.item(M::kProjectCombo),
                               static_cast<int>(SendMessageA(window.item(M::kProjectCombo), CB_FINDSTRINGEXACT,
                                                             static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("慢盘"))));
    prompt.open_answers = {archive("慢盘")};
    const auto play_on = [&] {
        for (int i = 0; i < 40; ++i) write_file(saves / ("一\\f" + std::to_string(i) + ".sav"), "played on");
    };
    const std::pair<const char*, std::function<void()>> kinds[] = {
        {"备份存档", [&] { wintest::click(window.item(M::kBackupButton)); }},
        {"恢复存档", [&] {
             play_on();
             wintest::click(window.item(M::kRestoreButton));
         }},
        {"定时备份", [&] {  // the game (this program) has run a minute
             for (int64_t at : {0, 61000}) {
                 now_ms = at;
                 PostMessageA(window.hwnd(), WM_TIMER, InGame::kInGameTimer, 0);
                 wintest::pump_messages();
             }
         }}};
    for (const auto& [what, start] : kinds) {
        slow.delay_ms = 500;  // about 20 s for the 40 files
        const auto began = std::chrono::steady_clock::now();
        start();
        ASSERT_TRUE(window.working()) << what;
        Probe probe(window.hwnd());
        while (window.working()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            wintest::pump_messages();
        }
        probe.finish();
        slow.delay_ms = 0;
        const auto took = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - began);
        EXPECT_GE(took.count(), 15) << what;  // long work indeed
        EXPECT_TRUE(probe.menu_opened) << what;
        EXPECT_EQ(probe.unanswered, 0) << what;
    }
    EXPECT_EQ(wintest::matching_files(backup_folder("慢盘"), "*.zip").size(), 1u);
    EXPECT_TRUE(wintest::is_file(backup_folder("慢盘") + "\\恢复前\\" + time_name + ".zip"));
    EXPECT_EQ(wintest::matching_files(backup_folder("游戏"), "*.zip").size(), 1u);
}

}  // namespace
}  // namespace app_test
