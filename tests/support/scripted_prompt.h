#pragma once
// A prompt that records what the program shows and answers from a script, so no test ever blocks
// on a real message box or dialog.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/prompt.h"

struct ShownMessage {
    std::string text;
    unsigned style;
    std::string title;
};

class ScriptedPrompt : public Prompt {
   public:
    ScriptedPrompt() : previous_(nullptr) {}
    // Installs itself as the program's prompt for its lifetime.
    void install() { set_prompt(this); }
    ~ScriptedPrompt() override = default;

    std::vector<ShownMessage> messages;
    std::deque<int> answers;  // for message boxes; OK (or Yes for a Yes/No box) when empty
    std::vector<OpenFileRequest> open_requests;
    std::deque<std::optional<std::string>> open_answers;  // cancel when empty
    std::vector<BrowseFolderRequest> browse_requests;
    std::deque<std::optional<std::string>> browse_answers;
    std::vector<std::string> opened;  // shell_open targets
    std::function<void(const ShownMessage&)> on_message;  // runs while the "box" is up
    std::function<void(const std::string&)> on_open;      // runs for each shell_open
    std::vector<TextRequest> text_requests;
    std::deque<std::optional<std::string>> text_answers;  // cancel when empty
    std::vector<std::string> selected;                    // shell_select files

    int message_box(const std::string& text, unsigned style, const std::string& title) override {
        messages.push_back({text, style, title});
        if (on_message) on_message(messages.back());
        if (!answers.empty()) {
            int a = answers.front();
            answers.pop_front();
            return a;
        }
        return (style & 0xF) == mb::kYesNo ? mb::kIdYes : mb::kIdOk;
    }
    std::optional<std::string> open_file(const OpenFileRequest& r) override {
        open_requests.push_back(r);
        return take(open_answers);
    }
    std::optional<std::string> browse_folder(const BrowseFolderRequest& r) override {
        browse_requests.push_back(r);
        return take(browse_answers);
    }
    bool shell_open(const std::string& target) override {
        opened.push_back(target);
        if (on_open) on_open(target);
        return true;
    }

    std::optional<std::string> ask_text(const TextRequest& r) override {
        text_requests.push_back(r);
        return take(text_answers);
    }
    bool shell_select(const std::string& file) override {
        selected.push_back(file);
        return true;
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto& m : messages) t.push_back(m.text);
        return t;
    }

   private:
    static std::optional<std::string> take(std::deque<std::optional<std::string>>& q) {
        if (q.empty()) return std::nullopt;
        auto a = q.front();
        q.pop_front();
        return a;
    }
    Prompt* previous_;
};
