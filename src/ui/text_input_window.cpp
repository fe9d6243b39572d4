#include "ui/text_input_window.h"

#include "paths/gbk_text.h"
#include "ui/window.h"

namespace {

using namespace text_input;

// clang-format off
size_t char_count(const std::string& text) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); i += gbk::char_len(text, i)) ++n;
    return n;
}

const ControlSpec kLayout[] = {
    {kLabel, "STATIC", "", 8, 10, 360, 20, SS_LEFT | SS_NOPREFIX},
    {kEdit, "EDIT", "", 8, 34, 360, 22, ES_AUTOHSCROLL | WS_TABSTOP, 0, WS_EX_CLIENTEDGE},
    {kOkButton, "BUTTON", "确定", 212, 66, 75, 26, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {kCancelButton, "BUTTON", "取消", 293, 66, 75, 26, BS_PUSHBUTTON | WS_TABSTOP},
};
// clang-format on

class TextInputWindow : public Window {
   public:
    explicit TextInputWindow(const TextRequest& r) : request_(r) {}

    bool create() {
        if (!Window::create(request_.title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 120, 120, 390, 140))
            return false;
        create_controls(kLayout);
        fit_client_area(376, 100);
        set_text(kLabel, request_.label);
        // An ANSI edit box counts bytes on Windows and characters on Wine: room for the longest,
        // and the characters are counted on 确定.
        SendMessageA(item(kEdit), EM_LIMITTEXT, static_cast<WPARAM>(2 * request_.max_chars), 0);
        set_text(kEdit, request_.initial);
        SendMessageA(item(kEdit), EM_SETSEL, 0, -1);
        focus(kEdit);
        return true;
    }
    std::optional<std::string> answer;

   protected:
    void on_command(int id, int code) override {
        if (code != BN_CLICKED) return;
        if (id == kCancelButton) close();
        if (id != kOkButton) return;
        const std::string typed = text(kEdit);
        if (char_count(typed) > static_cast<size_t>(request_.max_chars)) {
            show_message("最多 " + std::to_string(request_.max_chars) + " 个字，请改短一些。");
            focus(kEdit);
            return;
        }
        answer = typed;
        close();
    }

   private:
    TextRequest request_;
};

}  // namespace

std::optional<std::string> ask_text_window(const TextRequest& request) {
    TextInputWindow window(request);
    if (!window.create()) return std::nullopt;
    window.run_modal();
    return window.answer;
}
