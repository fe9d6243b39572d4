#pragma once
// The quick keys 快速备份 and 快速恢复: how they are written in 系统配置文件.ini ("Ctrl+Alt+B"),
// and the double press that keeps a slip of the finger from restoring.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/names.h"
#include "config/tool_folders.h"
#include "fs/file_system.h"

// Modifier bits as RegisterHotKey takes them.
inline constexpr unsigned kModAlt = 1, kModCtrl = 2, kModShift = 4;

struct HotKey {
    unsigned modifiers = 0;
    unsigned key = 0;  // virtual-key code: 'A'..'Z', '0'..'9', F1..F24
    bool operator==(const HotKey& o) const { return modifiers == o.modifiers && key == o.key; }
};

inline constexpr HotKey kDefaultQuickBackupKey{kModCtrl | kModAlt, 'B'};
inline constexpr HotKey kDefaultQuickRestoreKey{kModCtrl | kModAlt, 'R'};

// The two keys: where each machine keeps its choice, the default, and what the key is called.
struct QuickKey {
    const char* section;  // in 系统配置文件.ini, keyed by the machine's id
    HotKey fallback;
    const char* what;
};
enum QuickAction : int { kQuickBackup, kQuickRestore };  // index into kQuickKeys
inline constexpr QuickKey kQuickKeys[] = {
    {names::kQuickBackupKeySection, kDefaultQuickBackupKey, "快速备份"},
    {names::kQuickRestoreKeySection, kDefaultQuickRestoreKey, "快速恢复"},
};

// The key this machine has chosen, or the default.
HotKey stored_quick_key(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id, QuickAction action);

std::string hotkey_text(const HotKey& k);
// A key as the user is told of it, with what it does: "快速备份 Ctrl+Alt+B".
std::string named_key(const std::string& what, const HotKey& k);
// What is told of keys another program holds, each given by named_key(); "" for none.
std::string held_keys_text(const std::vector<std::string>& named_keys);
// nullopt for text that is no key this tool offers (then the default holds).
std::optional<HotKey> parse_hotkey(const std::string& text);
// The stored text, or the default when it is missing or unreadable.
HotKey stored_hotkey(const std::string& text, const HotKey& fallback);

// 快速恢复 restores only on a second press within this time of the first.
inline constexpr int64_t kConfirmPressMs = 5000;

class DoublePress {
   public:
    // True when this press confirms the one before; a confirmed pair starts over.
    bool press(int64_t now_ms);

   private:
    std::optional<int64_t> first_;
};
