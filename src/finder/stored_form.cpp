#include "finder/stored_form.h"

#include "finder/places.h"
#include "paths/gbk_text.h"

namespace finder {

namespace {

constexpr int kPersonal = 5;  // CSIDL_PERSONAL: 我的文档
constexpr int kAppData = 26;  // CSIDL_APPDATA: 程序数据目录

const char* const kVariables[] = {"USERPROFILE", "ProgramData", "PUBLIC"};

std::string without_trailing_backslash(std::string path) {
    while (path.size() > 1 && path.back() == '\\' && gbk::up_to_last_backslash(path).size() == path.size())
        path.pop_back();
    return path;
}

// Doubled separators collapse, except the two that start a network path.
std::string normal(const std::string& path) {
    std::string out;
    for (size_t i = 0; i < path.size(); i += gbk::char_len(path, i)) {
        const size_t n = gbk::char_len(path, i);
        if (n == 1 && path[i] == '\\' && i > 1 && out.back() == '\\') continue;
        out.append(path, i, n);
    }
    return gbk::ascii_lower(without_trailing_backslash(out));
}

// "<token>" + the rest of `folder` below `base`; empty when the folder does not lie there.
std::string with_token(const std::string& folder, std::string base, const std::string& token) {
    base = without_trailing_backslash(base);
    if (base.empty() || !lies_in(folder, base)) return {};
    return token + folder.substr(base.size());
}

bool expands_to(std::string stored, const std::string& folder, const std::string& program_path,
                const Folders& folders) {
    return !stored.empty() && same_folder(expand_stored_path(stored, program_path, folders), folder);
}

}  // namespace

bool same_folder(const std::string& a, const std::string& b) { return normal(a) == normal(b); }

std::string stored_form(const std::string& folder, const std::string& program_path, const Folders& folders,
                        bool variable_allowed) {
    const std::string program = expand_program_path(program_path, folders);
    std::vector<std::string> tries;
    const std::string program_dir = gbk::up_to_last_backslash(program);
    if (program_dir.size() > 1) tries.push_back(with_token(folder, program_dir, "<程序所在目录>"));
    tries.push_back(with_token(folder, folders.special_folder(kPersonal), "<我的文档>"));
    if (variable_allowed)
        for (const char* name : kVariables)
            tries.push_back(with_token(folder, folders.environment_variable(name), std::string("%") + name + "%"));
    tries.push_back(with_token(folder, folders.special_folder(kAppData), "<程序数据目录>"));
    for (const std::string& stored : tries)
        if (expands_to(stored, folder, program_path, folders)) return stored;
    return folder;
}

std::string join_stored_forms(const std::vector<std::string>& found, const std::string& program_path,
                              const Folders& folders) {
    std::vector<std::string> forms;
    bool variable_used = false;
    for (const std::string& folder : found) {
        forms.push_back(stored_form(folder, program_path, folders, !variable_used));
        variable_used = variable_used || forms.back().find('%') != std::string::npos;
    }
    return gbk::join_non_empty(forms);
}

}  // namespace finder
