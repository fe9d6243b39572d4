#include "run/quick_keys.h"

#include <vector>

#include "config/machine_list.h"
#include "paths/gbk_text.h"

namespace {

constexpr unsigned kF1 = 0x70, kF24 = 0x87;

struct Modifier {
    unsigned bit;
    const char* name;
};
constexpr Modifier kModifiers[] = {{kModCtrl, "ctrl"}, {kModAlt, "alt"}, {kModShift, "shift"}};

std::string key_name(unsigned key) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, static_cast<char>(key));
    if (key >= kF1 && key <= kF24) return "F" + std::to_string(key - kF1 + 1);
    return "";
}

std::optional<unsigned> key_of(const std::string& name) {
    for (unsigned key = '0'; key <= kF24; ++key)
        if (!key_name(key).empty() && gbk::ascii_lower(key_name(key)) == name) return key;
    return std::nullopt;
}

}  // namespace

std::string hotkey_text(const HotKey& k) {
    std::string text;
    const char* shown[] = {"Ctrl", "Alt", "Shift"};
    for (size_t i = 0; i < 3; ++i)
        if (k.modifiers & kModifiers[i].bit) text += std::string(shown[i]) + "+";
    return text + key_name(k.key);
}

std::string named_key(const std::string& what, const HotKey& k) { return what + " " + hotkey_text(k); }

std::string held_keys_text(const std::vector<std::string>& named_keys) {
    std::string text;
    for (const std::string& k : named_keys) text += (text.empty() ? "" : "；") + k;
    return text.empty() ? "" : text + " 已被其他程序占用";
}

std::optional<HotKey> parse_hotkey(const std::string& text) {
    HotKey k;
    std::vector<std::string> pieces;
    std::string piece;
    for (char c : gbk::ascii_lower(text) + "+") {
        if (c == ' ') continue;
        if (c != '+') {
            piece += c;
            continue;
        }
        pieces.push_back(piece);
        piece.clear();
    }
    for (size_t i = 0; i + 1 < pieces.size(); ++i) {
        bool known = false;
        for (const Modifier& m : kModifiers)
            if (pieces[i] == m.name && !(k.modifiers & m.bit)) {
                k.modifiers |= m.bit;
                known = true;
            }
        if (!known) return std::nullopt;
    }
    const std::optional<unsigned> key = key_of(pieces.back());
    // A letter alone would take the key from every program: a modifier is needed.
    if (!key || k.modifiers == 0) return std::nullopt;
    k.key = *key;
    return k;
}

HotKey stored_hotkey(const std::string& text, const HotKey& fallback) {
    return parse_hotkey(text).value_or(fallback);
}

HotKey stored_quick_key(fs::FileSystem& fs, const ToolFolders& tool, const std::string& machine_id, QuickAction action) {
    const QuickKey& k = kQuickKeys[action];
    return stored_hotkey(read_machine_setting(fs, tool, k.section, machine_id), k.fallback);
}

bool DoublePress::press(int64_t now_ms) {
    if (first_ && now_ms - *first_ <= kConfirmPressMs) {
        first_.reset();
        return true;
    }
    first_ = now_ms;
    return false;
}
