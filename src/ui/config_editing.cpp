// Adding, modifying and deleting projects on the pages of "配置", and the choice of the project list.
#include "config/ini.h"
#include "config/machine_list.h"
#include "config/names.h"
#include "config/project_edit.h"
#include "config/project_list.h"
#include "paths/folders_win.h"
#include "paths/gbk_text.h"
#include "run/project_form.h"
#include "run/project_loading.h"
#include "ui/path_fix_offer.h"
#include "ui/config_window_impl.h"
#include "ui/prompt.h"

using namespace cfg;

namespace {

int focus_box(FormField field, int name_box, int save_box) { return field == FormField::name ? name_box : save_box; }

// The folders the page's save path names on this machine.
std::vector<std::string> page_folders(const std::string& save_path, const std::string& program_path) {
    return expanded_save_folders(save_path, program_path, system_folders());
}

}  // namespace

// Tells what the checks found and moves the focus as they say.
void ConfigWindow::tell_check(const FormCheck& check, int name_box, int save_box) {
    for (const std::string& m : check.messages) show_message(m);
    if (check.focus) focus(focus_box(*check.focus, name_box, save_box));
}

void ConfigWindow::load_config_lists() {
    project_names_ = load_project_names(files(), context_.save_config_path);
    for (int combo : {kModifyCombo, kDeleteCombo}) {
        SendMessageA(item(combo), CB_RESETCONTENT, 0, 0);
        for (const std::string& name : project_names_)
            SendMessageA(item(combo), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    // Emptying the lists empties the name on "修改" too: no project is loaded there any more, so a
    // later modify must not rename one, and what the path box shows now is no change.
    modify_name_.clear();
    modify_saved_path_ = text(kModifySaveEdit);
    modify_saved_options_ = page_options(kModifyExitBackupCheck, kModifyKeepEdit);
}

void ConfigWindow::on_modify_selected() {
    const ProjectFiles store = project_files();
    std::string name = selected_text(kModifyCombo);
    modify_saved_path_ = store.read(name, names::kSavePathKey);
    set_text(kModifySaveEdit, modify_saved_path_);
    set_text(kModifyProgramEdit, store.read(name, names::kProgramPathKey));
    modify_saved_options_ = read_project_options(store, name);
    show_options(kModifyExitBackupCheck, kModifyKeepEdit, modify_saved_options_);
    modify_name_ = name;
}

void ConfigWindow::on_delete_selected() {
    const ProjectFiles store = project_files();
    std::string name = selected_text(kDeleteCombo);
    set_text(kDeleteSaveEdit, store.read(name, names::kSavePathKey));
    set_text(kDeleteProgramEdit, store.read(name, names::kProgramPathKey));
}

// The two options count as changes as the save path does.
bool ConfigWindow::on_page_changed() {
    const ProjectOptions options = page_options(kModifyExitBackupCheck, kModifyKeepEdit);
    const bool changed = text(kModifySaveEdit) != modify_saved_path_ || options != modify_saved_options_;
    if (current_page() != kPageModify || !changed) return true;
    if (show_message("存档路径有改动是否保存？", mb::kYesNo | mb::kIconQuestion, "温馨提示") == mb::kIdYes)
        return modify_project();  // a refused save keeps the page, where the focus now points
    modify_saved_path_ = text(kModifySaveEdit);
    modify_saved_options_ = options;
    return true;
}

bool ConfigWindow::modify_project() {
    const std::string name = text(kModifyCombo);
    set_text(kModifySaveEdit, with_token_form_offered(text(kModifySaveEdit)));
    const FormCheck check = check_modify(project_names_, modify_name_, name, text(kModifySaveEdit),
                                         page_folders(text(kModifySaveEdit), text(kModifyProgramEdit)));
    tell_check(check, kModifyCombo, kModifySaveEdit);
    const ProjectFiles store = project_files();
    bool saved = false;
    if (check.write) {
        ModifyResult result = save_modified_project(store, modify_name_, name,
                                                    {text(kModifySaveEdit), text(kModifyProgramEdit),
                                                     page_options(kModifyExitBackupCheck, kModifyKeepEdit)});
        saved = result.saved;
        if (saved) {
            std::string message = name + " 修改成功！";
            if (result.folder_left_behind)
                message += fs::named("\r\n备份文件夹未能随之改名，仍在：", context_.folders.backup_folder(modify_name_));
            show_message(message);
            load_config_lists();
            select_list_item(kModifyCombo, name);
            modify_name_ = name;
            select_list_item(kDeleteCombo, text(kModifyCombo));
            on_delete_selected();
            modify_saved_path_ = store.read(name, names::kSavePathKey);
            modify_saved_options_ = read_project_options(store, name);
            show_options(kModifyExitBackupCheck, kModifyKeepEdit, modify_saved_options_);
        } else {
            show_message(name + " 修改失败！");
        }
    }
    if (check.stamp && !text(kModifyCombo).empty()) stamp_project(store, text(kModifyCombo));
    return saved;
}

void ConfigWindow::add_project() {
    const std::string name = text(kAddNameEdit);
    set_text(kAddSaveEdit, with_token_form_offered(text(kAddSaveEdit)));
    const FormCheck check = check_add(combo_items(kDeleteCombo), name, text(kAddSaveEdit),
                                      page_folders(text(kAddSaveEdit), text(kAddProgramEdit)));
    tell_check(check, kAddNameEdit, kAddSaveEdit);
    const ProjectFiles store = project_files();
    if (check.write) {
        if (write_project_paths(store, name, {text(kAddSaveEdit), text(kAddProgramEdit),
                                              page_options(kAddExitBackupCheck, kAddKeepEdit)})) {
            show_message(name + " 增加成功！");
            load_config_lists();
            select_list_item(kModifyCombo, name);
            on_modify_selected();
            select_list_item(kDeleteCombo, name);
            on_delete_selected();
            select_list_item(kModifyCombo, name);
        } else {
            show_message(name + " 增加失败！");
        }
    }
    if (check.stamp) stamp_project(store, name);
}

void ConfigWindow::delete_project() {
    const std::string name = text(kDeleteCombo);
    if (name.empty()) {
        show_message("请选择删除项目！");
        focus(kDeleteCombo);
        return;
    }
    // The project's backups under "存档目录" stay where they are.
    if (!project_files().remove(name)) {
        show_message("删除失败！");
        return;
    }
    show_message("删除成功！");
    for (int box : {kDeleteSaveEdit, kDeleteProgramEdit, kModifySaveEdit, kModifyProgramEdit}) set_text(box, "");
    show_options(kModifyExitBackupCheck, kModifyKeepEdit, {});
    load_config_lists();
}

// `通用对话框2`: another project list for this machine, never the system-configuration file.
void ConfigWindow::choose_save_config() {
    for (;;) {
        std::string shown = text(kSaveConfigEdit);
        std::string folder = shown.empty() ? fs::shown(context_.folders.config_dir()) + "\\" : gbk::up_to_last_backslash(shown);
        std::optional<std::string> chosen = prompt().open_file({"选择存档配置文件：", "配置文件|*.ini", folder, "", ""});
        if (!chosen) return;
        const std::string list = fs::path_of(*chosen);
        if (is_machine_file(list)) {
            show_message("不允许选择[系统配置文件]", mb::kOk, "提醒：");
            continue;
        }
        set_text(kSaveConfigEdit, *chosen);
        // The list is used from now on all the same; only the next start would not know it.
        if (!write_machine_list(files(), context_.folders, context_.machine_id, list))
            show_message(fs::named("未能保存本机的配置文件选择：", context_.folders.system_config_path()), mb::kOk, "提醒：");
        context_.save_config_path = list;
        if (events_.list_chosen) events_.list_chosen(list);
        load_config_lists();
        return;
    }
}
