#pragma once
#include "ui/prompt.h"

// The real message boxes, dialogs and shell.
class WinPrompt : public Prompt {
   public:
    int message_box(const std::string& text, unsigned style, const std::string& title) override;
    std::optional<std::string> open_file(const OpenFileRequest& request) override;
    std::optional<std::string> browse_folder(const BrowseFolderRequest& request) override;
    bool shell_open(const std::string& target) override;
    std::optional<std::string> ask_text(const TextRequest& request) override;
    bool shell_select(const std::string& file) override;
};
