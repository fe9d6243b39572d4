// The server of page 设置: address, user and password, kept for this machine (the password sealed
// by the Windows user, never shown again), and 测试连接, which runs beside the window and says what
// is wrong in the words of the failure.
#include <thread>

#include "ui/config_window_impl.h"

using namespace cfg;

namespace {

constexpr const char* kPasswordKept = "密码已加密保存；留空则不变";

}  // namespace

void ConfigWindow::show_sync_settings() {
    if (!context_.sync.fs) return;
    const syncing::RemoteSettings s = read_sync_settings(context_.sync);
    set_text(kSyncAddressEdit, s.address);
    set_text(kSyncUserEdit, fs::shown(s.user));
    SendMessageA(item(kSyncAddressEdit), EM_SETLIMITTEXT, 400, 0);
    if (!s.password.empty()) set_text(kSyncStatusLabel, kPasswordKept);
}

// Names are typed in the code page; servers take them as UTF-8.
syncing::RemoteSettings ConfigWindow::typed_sync_settings() const {
    syncing::RemoteSettings s{text(kSyncAddressEdit), fs::path_of(text(kSyncUserEdit)),
                              fs::path_of(text(kSyncPasswordEdit))};
    if (s.password.empty()) s.password = read_sync_settings(context_.sync).password;
    return s;
}

void ConfigWindow::save_sync_settings() {
    if (!context_.sync.fs) return;
    syncing::RemoteSettings s = typed_sync_settings();
    const bool saved = write_sync_settings(context_.sync, s);
    set_text(kSyncPasswordEdit, "");
    set_text(kSyncStatusLabel, saved ? "同步设置已保存" : "同步设置未能保存");
}

// The answer comes back as a message; a window closed meanwhile never gets it, and the text goes.
void ConfigWindow::test_sync_connection() {
    if (!context_.sync.fs) return;
    enable(kSyncTestButton, false);
    set_text(kSyncStatusLabel, "正在连接…");
    HWND window = hwnd();
    std::thread([window, setup = context_.sync, settings = typed_sync_settings()] {
        auto* said = new std::string(test_connection(setup, settings));
        if (!PostMessageA(window, kSyncTestedMessage, 0, reinterpret_cast<LPARAM>(said))) delete said;
    }).detach();
}

// A connection that works is kept at once: what was tested is what is used.
void ConfigWindow::sync_tested(std::string* said) {
    const std::unique_ptr<std::string> text(said);
    enable(kSyncTestButton, true);
    if (!text->empty()) {
        set_text(kSyncStatusLabel, *text);
        return;
    }
    const bool saved = write_sync_settings(context_.sync, typed_sync_settings());
    set_text(kSyncPasswordEdit, "");
    set_text(kSyncStatusLabel, saved ? "连接成功，设置已保存" : "连接成功，但设置未能保存");
}
