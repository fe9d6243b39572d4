// The quick keys 快速备份 and 快速恢复 on page 设置: stored per machine in 系统配置文件.ini, and a key
// another program already holds is said at once, not left to fail silently.
#include <windows.h>
#include <commctrl.h>

#include "config/machine_list.h"
#include "run/quick_keys.h"
#include "ui/config_window_impl.h"

using namespace cfg;

namespace {

constexpr int kProbeId = 0x7F00;  // a hot-key id of this window used only to try a key

// Each quick key's hot-key control on page 设置.
struct KeyControl {
    int control;
    QuickAction action;
};
constexpr KeyControl kKeyControls[] = {{kQuickBackupHotKey, kQuickBackup}, {kQuickRestoreHotKey, kQuickRestore}};

// The hot-key control's modifier bits are not RegisterHotKey's.
WORD control_value(const HotKey& k) {
    BYTE mods = 0;
    if (k.modifiers & kModShift) mods |= HOTKEYF_SHIFT;
    if (k.modifiers & kModCtrl) mods |= HOTKEYF_CONTROL;
    if (k.modifiers & kModAlt) mods |= HOTKEYF_ALT;
    return MAKEWORD(static_cast<BYTE>(k.key), mods);
}

HotKey from_control(WORD value) {
    const BYTE mods = HIBYTE(value);
    HotKey k{0, LOBYTE(value)};
    if (mods & HOTKEYF_SHIFT) k.modifiers |= kModShift;
    if (mods & HOTKEYF_CONTROL) k.modifiers |= kModCtrl;
    if (mods & HOTKEYF_ALT) k.modifiers |= kModAlt;
    return k;
}

bool held_elsewhere(HWND probe, const HotKey& k) {
    if (!RegisterHotKey(probe, kProbeId, k.modifiers, k.key)) return true;
    UnregisterHotKey(probe, kProbeId);
    return false;
}

QuickAction action_of(int control) { return control == kQuickBackupHotKey ? kQuickBackup : kQuickRestore; }

}  // namespace

HotKey ConfigWindow::stored_quick_key(int control) const {
    return ::stored_quick_key(files(), context_.folders, context_.machine_id, action_of(control));
}

// The main window, which holds the keys itself, closes only after this window has opened: the
// keys are tried once it is gone.
void ConfigWindow::show_quick_keys() {
    for (const KeyControl& k : kKeyControls) {
        SendMessageA(item(k.control), HKM_SETRULES, HKCOMB_NONE, MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
        SendMessageA(item(k.control), HKM_SETHOTKEY, control_value(stored_quick_key(k.control)), 0);
    }
    PostMessageA(hwnd(), kCheckQuickKeysMessage, 0, 0);
}

void ConfigWindow::check_quick_keys() {
    std::vector<std::string> held;
    for (const KeyControl& c : kKeyControls) {
        const HotKey k = stored_quick_key(c.control);
        if (held_elsewhere(hwnd(), k)) held.push_back(named_key(kQuickKeys[c.action].what, k));
    }
    set_text(kQuickKeyStatusLabel, held_keys_text(held));
}

void ConfigWindow::quick_key_changed(int control) {
    const QuickKey& q = kQuickKeys[action_of(control)];
    const std::optional<HotKey> k =
        parse_hotkey(hotkey_text(from_control(static_cast<WORD>(SendMessageA(item(control), HKM_GETHOTKEY, 0, 0)))));
    if (!k) {
        set_text(kQuickKeyStatusLabel, std::string(q.what) + "键需要 Ctrl、Alt 或 Shift 加一个字母、数字或 F 键");
        return;
    }
    if (held_elsewhere(hwnd(), *k)) {
        set_text(kQuickKeyStatusLabel, hotkey_text(*k) + " 已被其他程序占用，未保存");
        return;
    }
    const bool saved = write_machine_setting(files(), context_.folders, q.section, context_.machine_id, hotkey_text(*k));
    set_text(kQuickKeyStatusLabel, std::string(q.what) + "键 " + hotkey_text(*k) + (saved ? " 已保存" : " 未能保存"));
}
