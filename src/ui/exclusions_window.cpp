#include "ui/exclusions_window.h"

#include "backup/exclusions.h"
#include "paths/gbk_text.h"
#include "ui/prompt.h"
#include "ui/window.h"

namespace {

using namespace exclusions_ui;

// clang-format off
const ControlSpec kLayout[] = {
    {kLabel, "STATIC", "每行一个：*.log　cache\\（文件夹）　\\cache\\（仅顶层）\r\n"
     "profiles\\*.tmp（存档文件夹下的路径）", 8, 6, 360, 34, SS_LEFT | SS_NOPREFIX},
    {kEdit, "EDIT", "", 8, 42, 360, 138,
     ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, 0, WS_EX_CLIENTEDGE},
    {kOkButton, "BUTTON", "确定", 212, 190, 75, 26, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {kCancelButton, "BUTTON", "取消", 293, 190, 75, 26, BS_PUSHBUTTON | WS_TABSTOP},
};
// clang-format on

std::vector<std::string> typed_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\r') continue;
        if (c != '\n') {
            line += c;
            continue;
        }
        lines.push_back(line);
        line.clear();
    }
    lines.push_back(line);
    return lines;
}

class ExclusionsWindow : public Window {
   public:
    explicit ExclusionsWindow(std::string stored) : stored_(std::move(stored)) {}

    bool create(const std::string& project_name) {
        const std::string title = project_name.empty() ? "排除" : "排除 - " + project_name;
        if (!Window::create(title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 120, 120, 390, 260)) return false;
        create_controls(kLayout);
        fit_client_area(376, 224);
        std::string shown;
        for (const std::string& piece : gbk::split(stored_, ';')) shown += (shown.empty() ? "" : "\r\n") + piece;
        set_text(kEdit, shown);
        focus(kEdit);
        return true;
    }
    std::optional<std::string> answer;

   protected:
    void on_command(int id, int code) override {
        if (code != BN_CLICKED) return;
        if (id == kCancelButton) close();
        if (id != kOkButton) return;
        const std::string joined = backup::join_exclusions(typed_lines(text(kEdit)));
        std::string problem;
        if (!backup::Exclusions::parse(joined, &problem)) {
            show_message(problem);
            focus(kEdit);
            return;
        }
        answer = joined;
        close();
    }

   private:
    std::string stored_;
};

}  // namespace

std::optional<std::string> edit_exclusions(const std::string& project_name, const std::string& stored) {
    ExclusionsWindow window(stored);
    if (!window.create(project_name)) return std::nullopt;
    window.run_modal();
    return window.answer;
}

std::string exclusions_summary(const std::string& stored) {
    if (stored.empty()) return "不排除任何文件";
    std::string shown;
    for (const std::string& piece : gbk::split(stored, ';')) shown += (shown.empty() ? "" : "；") + piece;
    return "排除：" + shown;
}
