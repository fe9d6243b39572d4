#include <windows.h>
#include <shlobj.h>

#include "fs/shell_link.h"
#include "fs/wide_text.h"

namespace fs {

namespace {

// Runs `use` on a new shell link object and its file interface; false when either cannot be had.
template <typename Use>
bool with_shell_link(Use use) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* file = nullptr;
    bool ok = false;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        ok = use(link, file);
        file->Release();
    }
    link->Release();
    return ok;
}

}  // namespace

std::optional<ShellLink> read_shell_link(const std::string& lnk_path) {
    ShellLink out;
    bool read = with_shell_link([&](IShellLinkA* link, IPersistFile* file) {
        if (FAILED(file->Load(utf8_to_wide(lnk_path).c_str(), STGM_READ))) return false;
        char buf[MAX_PATH * 2] = {};
        if (link->GetPath(buf, sizeof buf, nullptr, 0) == S_OK) out.target = buf;
        buf[0] = '\0';
        link->GetWorkingDirectory(buf, sizeof buf);
        out.working_dir = buf;
        buf[0] = '\0';
        link->GetArguments(buf, sizeof buf);
        out.arguments = buf;
        buf[0] = '\0';
        int icon = 0;
        link->GetIconLocation(buf, sizeof buf, &icon);
        out.icon_file = buf;
        return true;
    });
    if (!read) return std::nullopt;
    return out;
}

std::string shortcut_target(const std::string& lnk_path) {
    std::optional<ShellLink> link = read_shell_link(lnk_path);
    return link ? link->target : std::string();
}

bool save_shell_link(const std::string& lnk_path, const ShellLink& target, int show_command) {
    return with_shell_link([&](IShellLinkA* link, IPersistFile* file) {
        link->SetPath(target.target.c_str());
        link->SetWorkingDirectory(target.working_dir.c_str());
        link->SetShowCmd(show_command);
        if (!target.arguments.empty()) link->SetArguments(target.arguments.c_str());
        if (!target.icon_file.empty()) link->SetIconLocation(target.icon_file.c_str(), 0);
        return SUCCEEDED(file->Save(utf8_to_wide(lnk_path).c_str(), TRUE));
    });
}

}  // namespace fs
