#pragma once
// The class behind "配置", shared by its two source files: config_window.cpp (layout, pages, small
// handlers) and config_editing.cpp (the project lists and the adding, modifying and deleting).
#include <string>
#include <vector>

#include "config/project_edit.h"
#include "run/project_form.h"
#include "run/quick_keys.h"
#include "ui/config_window.h"
#include "ui/multi_paths_window.h"
#include "ui/window.h"

class ConfigWindow : public Window {
   public:
    ConfigWindow(ConfigContext context, ConfigEvents events)
        : context_(std::move(context)), events_(std::move(events)) {}
    bool open();

   protected:
    void on_command(int id, int code) override;
    bool on_message(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    void on_destroy() override;

   private:
    // config_window.cpp
    void create_layout();
    void fill_fixed_lists();
    void prefill_dropped_file(const std::string& path);
    int current_page() const;
    void select_page(int page);  // without the change prompt, as creation does it
    void show_page(int page);
    void browse_program(int path_edit, int name_edit);
    // 退出后自动备份 and 保留份数 of the page "修改" or "增加".
    ProjectOptions page_options(int check, int keep_edit) const;
    void show_options(int check, int keep_edit, const ProjectOptions& options);
    void show_exclusions(int page, const std::string& stored);
    void edit_page_exclusions(int page);
    void create_play_shortcut();
    void copy_contact_address();
    std::string selected_text(int combo) const;
    std::vector<std::string> combo_items(int combo) const;
    void select_list_item(int combo, const std::string& name);
    bool lies_on_pane(HWND control) const;
    HBRUSH pane_brush(HDC dc, HWND control);
    void release_pane_brush();
    static LRESULT CALLBACK contact_label_proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    // The save-path windows and the look-ups of the page "其他".
    void edit_save_locations(EditPage page);
    void find_save_location(EditPage page);
    void on_special_folder_selected();
    void on_variable_changed(bool selected);

    // config_editing.cpp
    void load_config_lists();
    void on_modify_selected();
    void on_delete_selected();
    bool on_page_changed();  // false vetoes the change
    bool modify_project();   // true when the paths were saved
    void add_project();
    void delete_project();
    void choose_save_config();
    // config_quick_keys.cpp: the quick keys of page 设置.
    void show_quick_keys();
    void check_quick_keys();
    HotKey stored_quick_key(int hotkey_control) const;
    static constexpr UINT kCheckQuickKeysMessage = WM_APP + 7;
    void quick_key_changed(int hotkey_control);
    void tell_check(const FormCheck& check, int name_box, int save_box);
    // config_sync.cpp: the server of page 设置.
    void show_sync_settings();
    syncing::RemoteSettings typed_sync_settings() const;
    void save_sync_settings();
    void test_sync_connection();
    void sync_tested(std::string* said);
    static constexpr UINT kSyncTestedMessage = WM_APP + 8;

    // The project list in use and the backup folders.
    fs::FileSystem& files() const { return *context_.fs; }
    ProjectFiles project_files() const {
        return ProjectFiles{files(), context_.save_config_path, context_.folders.backup_root()};
    }

    ConfigContext context_;
    ConfigEvents events_;
    HBRUSH pane_brush_ = nullptr;
    std::vector<std::string> project_names_;
    std::string modify_name_;        // the project loaded into the page "修改"
    std::string modify_saved_path_;  // its "存档路径" as loaded: the change prompt's baseline
    ProjectOptions modify_saved_options_;  // its options as loaded, for the same prompt
    std::string modify_exclusions_, add_exclusions_;  // 排除 of the pages, as they will be stored
};

// The version history shown on the page "关于".
const char* about_text();
