#include "ui/path_view_window.h"

#include <algorithm>

#include "paths/expand.h"
#include "paths/folders_win.h"
#include "paths/gbk_text.h"
#include "ui/prompt.h"
#include "ui/save_path_rows.h"
#include "ui/window.h"

namespace {

using namespace path_view;

const ControlSpec kLayout[] = {
    {kSectionLabel, "STATIC", "", 8, 10, 430, 20, SS_LEFT | SS_NOPREFIX},
};

class PathViewWindow : public Window {
   public:
    PathViewWindow(std::string project_name, std::string stored_save_path, std::string program_path)
        : project_name_(std::move(project_name)),
          stored_save_path_(std::move(stored_save_path)),
          program_path_(std::move(program_path)) {}

    bool create() {
        if (!Window::create("存档路径查看", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 50, 50, 450, 225))
            return false;
        create_controls(kLayout);
        // Read-only: nothing typed here would be saved.
        const std::vector<ControlSpec> row_specs =
            path_rows::controls(330, 414, ES_READONLY, ctl::kWhiteBackground);
        create_controls(row_specs.data(), row_specs.size());

        const int adjust = 193 - client_size().cy;  // this window's own; height_adjust stays as it is
        set_outer_size(outer_size().cx + (444 - client_size().cx), path_rows::outer_height(adjust, 1));
        set_text(kSectionLabel, "程序名称： " + project_name_);

        std::string expanded = stored_save_path_;
        expand_stored_path(expanded, program_path_, system_folders());
        const std::vector<std::string> paths = gbk::split(expanded);
        path_rows::fill(*this, paths);
        // No entry leaves only the label row; more than five still show five rows.
        const int rows = std::min(static_cast<int>(paths.size()), path_rows::kCount);
        set_outer_size(outer_size().cx, path_rows::outer_height(adjust, rows));
        return true;
    }

   protected:
    void on_command(int id, int code) override {
        if (code != BN_CLICKED) return;
        if (int k = path_rows::row_of_button(id)) {
            const std::string path = text(path_rows::edit_id(k));
            if (!path.empty()) prompt().shell_open(path);
        }
    }

   private:
    std::string project_name_, stored_save_path_, program_path_;
};

}  // namespace

void open_path_view_window(const std::string& project_name, const std::string& stored_save_path,
                           const std::string& program_path) {
    PathViewWindow window(project_name, stored_save_path, program_path);
    if (window.create()) window.run_modal();
}
