#include "paths/expand.h"

#include "paths/gbk_text.h"

const SpecialDirectory kSpecialDirectories[kSpecialDirectoryCount] = {
    {"我的文档", SpecialDirectory::kShellFolder, 5},       // CSIDL_PERSONAL
    {"我的收藏夹", SpecialDirectory::kShellFolder, 6},     // CSIDL_FAVORITES
    {"系统桌面", SpecialDirectory::kShellFolder, 16},      // CSIDL_DESKTOPDIRECTORY
    {"系统字体", SpecialDirectory::kShellFolder, 20},      // CSIDL_FONTS
    {"开始菜单组", SpecialDirectory::kShellFolder, 11},    // CSIDL_STARTMENU
    {"程序菜单组", SpecialDirectory::kShellFolder, 2},     // CSIDL_PROGRAMS
    {"启动菜单组", SpecialDirectory::kShellFolder, 7},     // CSIDL_STARTUP
    {"程序数据目录", SpecialDirectory::kShellFolder, 26},  // CSIDL_APPDATA
    {"Windows安装目录", SpecialDirectory::kWindowsDir, 0},
    {"Windows系统目录", SpecialDirectory::kSystemDir, 0},
    {"临时文件目录", SpecialDirectory::kTempDir, 0},
};

namespace {

std::string raw_folder(const SpecialDirectory& d, const Folders& folders) {
    switch (d.source) {
        case SpecialDirectory::kShellFolder:
            return folders.special_folder(d.csidl);
        case SpecialDirectory::kWindowsDir:
            return folders.windows_dir();
        case SpecialDirectory::kSystemDir:
            return folders.system_dir();
        case SpecialDirectory::kTempDir:
            return folders.temp_dir();
    }
    return {};
}

// Character-aware: the last byte of 淺 is 0x5C but is no backslash.
bool ends_with_backslash(const std::string& s) {
    return !s.empty() && gbk::find_last(s, "\\") == static_cast<int>(s.size());
}

std::string with_trailing_backslash(std::string folder) {
    if (folder.empty()) return folder;
    while (ends_with_backslash(folder) && ends_with_backslash(folder.substr(0, folder.size() - 1)))
        folder.pop_back();
    if (!ends_with_backslash(folder)) folder += '\\';
    return folder;
}

// Only the first reference; an unset variable removes it, "%%" and a lone "%" stay as they are.
std::string expand_first_variable(const std::string& t, const Folders& folders) {
    const int len = static_cast<int>(t.size());
    const int p1 = gbk::find(t, "%");
    const std::string rest = gbk::right(t, len - p1);
    const int p2 = gbk::find(rest, "%");
    const std::string name = gbk::left(rest, p2 - 1);
    if (name.empty()) return t;
    const std::string before = gbk::left(t, p1 - 1);
    const std::string after = gbk::right(rest, static_cast<int>(rest.size()) - p2);
    return before + folders.environment_variable(name) + after;
}

// Everything before the last "\"; empty when there is none.
std::string before_last_backslash(const std::string& path) {
    return gbk::left(path, gbk::find_last(path, "\\") - 1);
}

// The three stages, with the program-directory tokens taken from `program_file` as it is.
std::string expand(const std::string& text, const std::string& program_file, const Folders& folders) {
    std::string t = expand_first_variable(text, folders);
    for (int item = 1; item <= kSpecialDirectoryCount; ++item) {
        const std::string token = std::string("<") + kSpecialDirectories[item - 1].name + ">";
        t = gbk::replace_all(t, token, special_directory_path(item, folders));
    }
    const std::string dir = before_last_backslash(program_file);
    t = gbk::replace_all(t, "<程序所在目录>", dir);
    return gbk::replace_all(t, "<程序上级目录>", before_last_backslash(dir));
}

}  // namespace

std::string special_directory_path(int item, const Folders& folders) {
    if (item < 1 || item > kSpecialDirectoryCount) return {};
    return with_trailing_backslash(raw_folder(kSpecialDirectories[item - 1], folders));
}

namespace {

// Each of the "|"-joined paths on its own; empty entries keep their place, they are numbered. A
// text no fix touches stays as it is, to the byte.
std::string fixed_paths(const std::string& text, const Folders& folders) {
    std::string out;
    bool changed = false;
    const std::vector<std::string> paths = gbk::split(text);
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::string fixed = folders.fixed_path(paths[i]);
        changed = changed || fixed != paths[i];
        out += (i ? "|" : "") + fixed;
    }
    return changed ? out : text;
}

}  // namespace

std::string expand_stored_path(std::string& text, const std::string& program_path, const Folders& folders) {
    text = fixed_paths(expand(text, expand_program_path(program_path, folders), folders), folders);
    return text;
}

std::string expand_program_path(const std::string& program_path, const Folders& folders) {
    return program_path.empty() ? program_path : folders.fixed_path(expand(program_path, "", folders));
}
