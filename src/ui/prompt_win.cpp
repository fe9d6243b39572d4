#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include "ui/prompt_win.h"

namespace {

// "description|pattern" → the double-zero-terminated list the dialog wants.
std::string dialog_filter(const std::string& filter) {
    std::string out = filter;
    for (char& c : out)
        if (c == '|') c = '\0';
    out.append(2, '\0');
    return out;
}

}  // namespace

int WinPrompt::message_box(const std::string& text, unsigned style, const std::string& title) {
    if (!(style & MB_SYSTEMMODAL)) style |= MB_TASKMODAL;
    return MessageBoxA(nullptr, text.c_str(), title.c_str(), style);
}

std::optional<std::string> WinPrompt::open_file(const OpenFileRequest& r) {
    char file[MAX_PATH * 4] = {};
    lstrcpynA(file, r.initial_file.c_str(), sizeof file);
    std::string filter = dialog_filter(r.filter);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = r.initial_dir.empty() ? nullptr : r.initial_dir.c_str();
    ofn.lpstrTitle = r.title.c_str();
    ofn.lpstrDefExt = r.default_ext.empty() ? nullptr : r.default_ext.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn)) return std::nullopt;
    return std::string(file);
}

std::optional<std::string> WinPrompt::browse_folder(const BrowseFolderRequest& r) {
    BROWSEINFOA bi{};
    bi.hwndOwner = GetActiveWindow();
    bi.lpszTitle = r.title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | (r.edit_box ? BIF_EDITBOX : 0) |
                 (r.include_files ? BIF_BROWSEINCLUDEFILES : 0);
    PIDLIST_ABSOLUTE pidl = SHBrowseForFolderA(&bi);
    if (!pidl) return std::nullopt;
    char path[MAX_PATH] = {};
    BOOL ok = SHGetPathFromIDListA(pidl, path);
    CoTaskMemFree(pidl);
    if (!ok) return std::nullopt;
    return std::string(path);
}

bool WinPrompt::shell_open(const std::string& target) {
    HINSTANCE done = ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(done) > 32;
}
