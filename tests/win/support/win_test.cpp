#include "win/support/win_test.h"

#include "fs/file_system.h"

#include <shellapi.h>

#include <atomic>
#include <cstdio>

#include <gtest/gtest.h>

#include "backup/zip/zip.h"
#include "zip_support/extract_into.h"

namespace wintest {

TempDir::TempDir(const std::string& name_hint) {
    static std::atomic<int> counter{0};
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string base = tmp;
    if (!base.empty() && base.back() == '\\') base.pop_back();
    path_ = base + "\\" + name_hint + "_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(counter++);
    remove_tree(path_);
    make_dirs(path_);
}

TempDir::~TempDir() { remove_tree(path_); }

void write_file(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

std::string read_file(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
    CloseHandle(h);
    return out;
}

std::string unpacked(const std::string& archive, const std::string& relative) {
    TempDir out("unpacked");
    zip::Result r = zip_test::extract_into(archive, out.path());
    EXPECT_TRUE(r.ok) << archive << ": " << r.error;
    return read_file(out / relative);
}

bool make_dirs(const std::string& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        if (i < path.size() && static_cast<unsigned char>(path[i]) >= 0x80) ++i;  // GBK trail byte
    }
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

fs::FileSystem& disk() { return fs::platform_file_system(); }
std::string on_disk(const std::string& ansi) { return fs::path_of(ansi); }

namespace {

bool wildcard_match(const char* pattern, const char* text) {
    if (*pattern == '\0') return *text == '\0';
    if (*pattern == '*') return wildcard_match(pattern + 1, text) || (*text && wildcard_match(pattern, text + 1));
    return *text == *pattern && wildcard_match(pattern + 1, text + 1);
}
}  // namespace

bool exists(const std::string& path) { return !path.empty() && disk().exists(on_disk(path)); }
bool is_directory(const std::string& path) { return !path.empty() && disk().is_folder(on_disk(path)); }
bool is_file(const std::string& path) { return exists(path) && !is_directory(path); }

std::optional<unsigned long> attributes(const std::string& path) {
    fs::FileState state;
    if (path.empty() || !disk().get_state(on_disk(path), &state)) return std::nullopt;
    return state.attributes;
}

bool create_directory(const std::string& path) {
    bool made = false;
    return !path.empty() && disk().make_dir(on_disk(path), &made) && made;
}

bool delete_file(const std::string& path) { return !path.empty() && disk().remove_file(on_disk(path)); }

std::optional<std::string> read_bytes(const std::string& path, size_t limit) {
    return fs::read_whole_file(disk(), on_disk(path), limit);
}

bool write_bytes(const std::string& path, const std::string& bytes) {
    return fs::write_file_atomically(disk(), on_disk(path), bytes);
}

std::vector<std::string> matching_files(const std::string& folder, const std::string& pattern) {
    std::vector<fs::DirEntry> entries;
    std::vector<std::string> names;
    disk().list_dir(on_disk(folder), &entries);
    for (const fs::DirEntry& e : entries) {
        const std::string name = fs::shown_name(e.name);
        if (!e.is_dir && wildcard_match(pattern.c_str(), name.c_str())) names.push_back(name);
    }
    return names;
}

namespace {
// Through the program's own file system: Wine's shell, given a tree deeper than MAX_PATH, deletes
// in the current folder instead. Links go themselves, never what they lead to.
void remove_below(const std::string& path) {
    std::vector<fs::DirEntry> children;
    disk().list_dir(path, &children);
    for (const fs::DirEntry& c : children) {
        const std::string sub = fs::join_path(path, c.name);
        fs::FileState state;
        if (disk().get_state(sub, &state) && (state.attributes & FILE_ATTRIBUTE_READONLY)) {
            state.attributes &= ~FILE_ATTRIBUTE_READONLY;
            disk().set_state(sub, state);
        }
        if (c.is_dir && !c.is_link) remove_below(sub);
        if (!disk().remove_file(sub)) disk().remove_dir(sub);
    }
}
}  // namespace

void remove_tree(const std::string& path) {
    const std::string root = on_disk(path);
    if (path.empty() || !disk().exists(root)) return;
    remove_below(root);
    if (!disk().remove_dir(root)) disk().remove_file(root);
}

std::string unix_path(const std::string& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto to_unix = reinterpret_cast<ToUnix>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name"));
    if (!to_unix) return {};
    wchar_t wide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2);
    char* unix = to_unix(wide);
    if (!unix) return {};
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

bool wait_for(const std::function<bool()>& done, int ms) {
    for (int waited = 0; !done(); waited += 20) {
        if (waited >= ms) return false;
        Sleep(20);
    }
    return true;
}

bool run_linux(const std::vector<std::string>& argv) {
    // The Linux paths are UTF-8; Wine hands a wide command line to the program in the Linux locale.
    std::string cmd;
    for (const std::string& a : argv) cmd += (cmd.empty() ? "" : " ") + ("\"" + a + "\"");
    std::wstring wide(cmd.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, cmd.c_str(), -1, wide.data(), static_cast<int>(wide.size()))));
    for (const wchar_t* dir : {L"Z:\\bin\\", L"Z:\\usr\\bin\\", L"Z:\\sbin\\", L"Z:\\usr\\sbin\\"}) {
        std::wstring program = dir + std::wstring(argv[0].begin(), argv[0].end());
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(program.c_str(), wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) continue;
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        return true;
    }
    return false;
}

PROCESS_INFORMATION start_self(const std::string& filter) {
    char self[MAX_PATH * 2];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string cmd = "\"" + std::string(self) + "\" --gtest_filter=" + filter;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    return pi;
}

bool make_folder_link(const std::string& link, const std::string& target) {
    CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 2 /* unprivileged */);
    if (GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const std::string from = unix_path(target), to = unix_path(link);
    if (from.empty() || to.empty() || !run_linux({"ln", "-s", from, to})) return false;
    return wait_for([&] { return GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

namespace {

// One start of a program; its exit code, or -1 when it did not start or end.
int run_once(const std::string& command_line, const std::string& output_file) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = output_file.empty() ? INVALID_HANDLE_VALUE
                                     : CreateFileA(output_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (out != INVALID_HANDLE_VALUE) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = out;
    }
    std::string cmd = command_line;
    PROCESS_INFORMATION pi{};
    const bool started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, out != INVALID_HANDLE_VALUE, 0,
                                        nullptr, nullptr, &si, &pi) != FALSE;
    const DWORD start_error = GetLastError();
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (!started) {
        std::printf("run_program: CreateProcess failed, error %lu\n", static_cast<unsigned long>(start_error));
        return -1;
    }
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return static_cast<int>(code);
}

}  // namespace

// The program never ends with -1 itself: that is Wine failing to start it, seen now and then when
// the machine is busy. One more start tells that apart from a fault of the program.
int run_program(const std::string& command_line, const std::string& output_file) {
    const int code = run_once(command_line, output_file);
    if (code != -1) return code;
    std::printf("run_program: no start or no end (-1); starting it once more: %s\n", command_line.c_str());
    return run_once(command_line, output_file);
}

bool start_program(const std::string& path) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return true;
}

void pump_messages() {
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void select_combo_item(HWND combo, int index) {
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    pump_messages();
}

void click(HWND button) {
    SendMessageA(button, BM_CLICK, 0, 0);
    pump_messages();
}

void type_text(HWND edit, const std::string& text) {
    SetWindowTextA(edit, text.c_str());  // an edit box reports EN_CHANGE for this as for typing
    pump_messages();
}

std::string combo_item(HWND combo, int index) {
    LRESULT n = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n == CB_ERR) return {};
    std::string s(static_cast<size_t>(n) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(n));
    return s;
}

int combo_count(HWND combo) { return static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0)); }

std::vector<HWND> own_windows(const char* title) {
    struct Search {
        const char* title;
        std::vector<HWND> found;
    } search{title, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            char cls[64], text[256];
            GetClassNameA(w, cls, sizeof cls);
            GetWindowTextA(w, text, sizeof text);
            if (std::string(cls) == "VarnokeWindow" && (!s->title || std::string(text) == s->title))
                s->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND own_window(const char* title) {
    std::vector<HWND> w = own_windows(title);
    return w.empty() ? nullptr : w.front();
}

}  // namespace wintest
