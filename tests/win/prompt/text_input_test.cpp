// The note window of the real prompt: what is typed comes back, Cancel gives nothing, and a text
// of more than the characters allowed is refused with the window left open. An ANSI edit box
// counts bytes on Windows: a hundred two-byte characters must still fit.
#include <gtest/gtest.h>
#include <windows.h>

#include "support/scripted_prompt.h"
#include "ui/prompt_win.h"
#include "ui/text_input_window.h"
#include "ui/window.h"
#include "win/support/win_test.h"

namespace {

std::string repeated(const std::string& piece, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += piece;
    return s;
}

TEST(TextInputWindow, AnswersCancelsAndRefusesTooLong) {
    ScriptedPrompt messages;  // the refusal goes through the prompt of the program
    messages.install();
    struct Case {
        std::string typed;
        int button;
        std::optional<std::string> answer;
        size_t refusals;
    } cases[] = {
        {"打最终头目之前", text_input::kOkButton, std::string("打最终头目之前"), 0},
        {repeated("存", 100), text_input::kOkButton, repeated("存", 100), 0},
        {"不要了", text_input::kCancelButton, std::nullopt, 0},
        {std::string(101, 'a'), text_input::kOkButton, std::nullopt, 1},
    };
    for (const Case& c : cases) {
        messages.messages.clear();
        Window::modal_hook() = [&](Window& w) {
            EXPECT_EQ(w.text(text_input::kEdit), "旧的");
            // Typed: the edit box's limit applies.
            SendMessageA(w.item(text_input::kEdit), EM_SETSEL, 0, -1);
            SendMessageA(w.item(text_input::kEdit), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(c.typed.c_str()));
            EXPECT_EQ(w.text(text_input::kEdit), c.typed);
            wintest::click(w.item(c.button));
            if (c.refusals) wintest::click(w.item(text_input::kCancelButton));
        };
        WinPrompt real;
        EXPECT_EQ(real.ask_text({"备注 - 测试", "备注（最多 100 个字）：", "旧的", 100}), c.answer) << c.typed.size();
        EXPECT_EQ(messages.messages.size(), c.refusals);
    }
    Window::modal_hook() = nullptr;
    set_prompt(nullptr);
}

}  // namespace
