#include <shlobj.h>

#include "fs/file_system.h"
#include "finder/session_win.h"
#include "paths/folders_win.h"
#include "paths/gbk_text.h"

namespace finder {

namespace {

std::string trimmed(std::string path) {
    if (path.size() > 3 && path.back() == '\\' && gbk::up_to_last_backslash(path).size() == path.size())
        path.pop_back();
    return path;
}

bool is_folder(fs::FileSystem& fs, const std::string& path) {
    return !path.empty() && fs.is_folder(fs::path_of(path));
}

}  // namespace

std::vector<Root> session_roots(fs::FileSystem& fs, const std::string& program_folder) {
    const Folders& f = system_folders();
    const std::string profile = trimmed(f.environment_variable("USERPROFILE"));
    const std::vector<Root> all = {
        {RootKind::documents, trimmed(f.special_folder(CSIDL_PERSONAL))},  // with My Games
        {RootKind::saved_games, profile.empty() ? "" : profile + "\\Saved Games"},
        {RootKind::roaming, trimmed(f.special_folder(CSIDL_APPDATA))},
        {RootKind::local, trimmed(f.special_folder(CSIDL_LOCAL_APPDATA))},
        {RootKind::local_low, profile.empty() ? "" : profile + "\\AppData\\LocalLow"},
        {RootKind::program_data, trimmed(f.special_folder(CSIDL_COMMON_APPDATA))},
        {RootKind::public_documents, trimmed(f.special_folder(CSIDL_COMMON_DOCUMENTS))},
        {RootKind::program_folder, trimmed(program_folder)},
    };
    std::vector<Root> roots;
    for (const Root& root : all) {
        bool known = false;
        for (const Root& r : roots) known = known || gbk::equals_no_case(r.path, root.path);
        if (!known && is_folder(fs, root.path)) roots.push_back(root);
    }
    return roots;
}

}  // namespace finder
