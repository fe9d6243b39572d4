#include "run/project_form.h"

#include "backup/overlapping_folders.h"
#include "config/project_edit.h"
#include "run/project_loading.h"

namespace {

void tell(FormCheck& check, const std::string& message, FormField focus) {
    check.messages.push_back(message);
    check.focus = focus;
}

// The name is refused before anything is written; empty when it may be used.
std::optional<FormCheck> refused_name(const std::string& name) {
    const std::string problem = project_name_problem(name);
    if (problem.empty()) return std::nullopt;
    FormCheck check;
    tell(check, "“" + name + "”不能用作项目名称：" + problem + "。", FormField::name);
    return check;
}

// Folders that overlap back up the files they share twice; their restores would meet.
std::string overlap_problem(const std::vector<std::string>& save_folders) {
    const std::optional<backup::FolderOverlap> overlap = backup::find_overlap(save_folders);
    return overlap ? backup::overlap_text(backup::overlapping_pair(save_folders, *overlap)) : "";
}

bool overlapping(FormCheck& check, const std::vector<std::string>& save_folders) {
    const std::string problem = overlap_problem(save_folders);
    if (!problem.empty()) tell(check, problem, FormField::save_path);
    return !problem.empty();
}

}  // namespace

FormCheck check_modify(const std::vector<std::string>& listed, const std::string& loaded,
                       const std::string& name, const std::string& save_path,
                       const std::vector<std::string>& save_folders) {
    FormCheck check;
    if (name.empty()) {
        tell(check, "请选择修改项目！", FormField::name);
        return check;
    }
    if (!contains_project(listed, name))
        if (std::optional<FormCheck> refused = refused_name(name)) return *refused;
    check.stamp = true;
    if (save_path.empty())
        tell(check, "存档路径不能为空！", FormField::save_path);
    else if (!loaded.empty() && !same_project(name, loaded) && contains_project(listed, name))
        tell(check, "存在相同名称项目禁止修改！", FormField::name);  // it would overwrite the other's paths
    else
        check.write = !overlapping(check, save_folders);
    return check;
}

FormCheck check_add(const std::vector<std::string>& listed, const std::string& name,
                    const std::string& save_path, const std::vector<std::string>& save_folders) {
    FormCheck check;
    const bool duplicate = contains_project(listed, name);
    if (duplicate)
        tell(check, "存在相同名称项目禁止增加！", FormField::name);
    else if (!name.empty())
        if (std::optional<FormCheck> refused = refused_name(name)) return *refused;
    check.stamp = !name.empty();
    if (name.empty())
        tell(check, "请填写项目名称！", FormField::name);
    else if (save_path.empty())
        tell(check, "存档路径不能为空！", FormField::save_path);
    else
        check.write = !duplicate && !overlapping(check, save_folders);
    return check;
}

std::string save_path_problem(const std::string& save_path, const std::string& program_path,
                              const Folders& folders) {
    return overlap_problem(expanded_save_folders(save_path, program_path, folders));
}
