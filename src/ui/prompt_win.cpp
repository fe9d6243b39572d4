#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include "fs/wide_text.h"
#include "paths/files.h"
#include "ui/prompt_win.h"
#include "ui/text_input_window.h"

namespace {

constexpr size_t kLongestPath = 32768;  // characters, the terminator included

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

// The wide dialog with a buffer of the longest path Windows has: an archive deeper than 260
// characters comes back whole. Text is converted to and from ANSI here only.
std::optional<std::string> WinPrompt::open_file(const OpenFileRequest& r) {
    std::wstring file = fs::to_wide(r.initial_file);
    file.resize(kLongestPath, L'\0');
    file.back() = L'\0';
    const std::wstring filter = fs::to_wide(dialog_filter(r.filter)), dir = fs::to_wide(r.initial_dir),
                       title = fs::to_wide(r.title), ext = fs::to_wide(r.default_ext);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    file.resize(file.find(L'\0'));
    return fs::to_ansi(file);
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

std::optional<std::string> WinPrompt::ask_text(const TextRequest& request) { return ask_text_window(request); }

bool WinPrompt::shell_select(const std::string& file) {
    const std::wstring args = L"/select,\"" + fs::to_wide(file) + L"\"";
    HINSTANCE done = ShellExecuteW(nullptr, L"open", L"explorer.exe", args.c_str(), nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(done) > 32;
}
