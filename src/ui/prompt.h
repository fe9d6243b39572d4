#pragma once
// Everything that shows something modal or hands work to the shell goes through this interface, so
// that tests can script the answers. Portable: it names the Win32 values it needs itself.
#include <optional>
#include <string>
#include <vector>

namespace mb {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kIconHand = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

struct OpenFileRequest {
    std::string title;
    std::string filter;  // "description|pattern", as the dialogs of the tool name them
    std::string initial_dir;
    std::string initial_file;  // the file the dialog holds from its last use
    std::string default_ext;
};

// One line of text asked for in a small window of the tool's own.
struct TextRequest {
    std::string title;
    std::string label;
    std::string initial;
    int max_chars = 100;
};

struct BrowseFolderRequest {
    std::string title;
    bool edit_box = true;
    bool include_files = true;
};

class Prompt {
   public:
    virtual ~Prompt() = default;
    // Returns the answer (mb::kIdOk, kIdYes, kIdNo …). No owner window; task-modal unless system-modal
    // is asked for.
    virtual int message_box(const std::string& text, unsigned style, const std::string& title) = 0;
    virtual std::optional<std::string> open_file(const OpenFileRequest& request) = 0;
    virtual std::optional<std::string> browse_folder(const BrowseFolderRequest& request) = 0;
    // ShellExecute "open" with no parameters and no working directory, shown normally; failures are
    // silent. True when the shell started it.
    virtual bool shell_open(const std::string& target) = 0;
    // The text typed, nullopt when cancelled.
    virtual std::optional<std::string> ask_text(const TextRequest& /*request*/) { return std::nullopt; }
    // Explorer on the file's folder with the file selected. True when the shell started it.
    virtual bool shell_select(const std::string& /*file*/) { return false; }
};

// The prompt in use: the real one in the program, a scripted one in tests.
Prompt& prompt();
void set_prompt(Prompt* p);

// A message box with the tool's default title.
inline int show_message(const std::string& text, unsigned style = mb::kOk, const std::string& title = "信息：") {
    return prompt().message_box(text, style, title);
}
