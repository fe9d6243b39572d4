#include "ui/window.h"

#include <commctrl.h>

namespace {

constexpr const char* kClassName = "VarnokeWindow";
int g_live_windows = 0;
bool g_quit_when_last_closes = false;

void register_class() {
    static bool done = false;
    if (done) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;  // replaced per window in create()
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);
    done = true;
}

HFONT make_font(int weight) {
    HDC dc = GetDC(nullptr);
    int height = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "宋体");
}

}  // namespace

Window::~Window() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

HFONT Window::font() const {
    static HFONT f = make_font(FW_NORMAL);
    return f;
}

HFONT Window::bold_font() const {
    static HFONT f = make_font(FW_BOLD);
    return f;
}

bool Window::create(const char* title, DWORD style, int x, int y, int w, int h) {
    register_class();
    hwnd_ = CreateWindowExA(0, kClassName, title, style, x, y, w, h, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    if (!hwnd_) return false;
    ++g_live_windows;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::window_proc));
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
    return true;
}

void Window::create_controls(const ControlSpec* specs, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const ControlSpec& s = specs[i];
        DWORD style = WS_CHILD | s.style | ((s.flags & ctl::kHidden) ? 0 : WS_VISIBLE) |
                      ((s.flags & ctl::kDisabled) ? WS_DISABLED : 0);
        HWND c = CreateWindowExA(s.ex_style, s.cls, s.caption, style, s.x, s.y, s.w, s.h, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(s.id)),
                                 GetModuleHandleA(nullptr), nullptr);
        HFONT f = (s.flags & ctl::kBoldFont) ? bold_font() : font();
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
        if (s.flags) control_flags_.emplace_back(c, s.flags);
    }
}

std::string Window::text(int id) const {
    HWND c = item(id);
    int n = GetWindowTextLengthA(c);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(c, s.data(), n + 1);
    s.resize(static_cast<size_t>(n));
    return s;
}

void Window::set_text(int id, const std::string& text) { SetWindowTextA(item(id), text.c_str()); }

std::string Window::title() const {
    char buf[1024];
    int n = GetWindowTextA(hwnd_, buf, sizeof buf);
    return std::string(buf, static_cast<size_t>(n));
}

void Window::set_title(const std::string& text) { SetWindowTextA(hwnd_, text.c_str()); }
void Window::enable(int id, bool on) { EnableWindow(item(id), on); }
bool Window::is_enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
void Window::show(int id, bool on) { ShowWindow(item(id), on ? SW_SHOW : SW_HIDE); }
bool Window::is_visible(int id) const { return (GetWindowLongA(item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
void Window::focus(int id) { SetFocus(item(id)); }

void Window::close() {
    if (hwnd_) DestroyWindow(hwnd_);
}

SIZE Window::outer_size() const {
    RECT r;
    GetWindowRect(hwnd_, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

SIZE Window::client_size() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    return SIZE{r.right, r.bottom};
}

void Window::set_outer_size(int w, int h) {
    SetWindowPos(hwnd_, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::fit_client_area(int w, int h) {
    SIZE outer = outer_size(), client = client_size();
    set_outer_size(outer.cx + (w - client.cx), outer.cy + (h - client.cy));
}

void Window::run_modal() {
    HWND self = hwnd_;
    std::pair<HWND, std::vector<HWND>> state{self, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM lp) -> BOOL {
            auto* st = reinterpret_cast<std::pair<HWND, std::vector<HWND>>*>(lp);
            if (w != st->first && IsWindowVisible(w) && IsWindowEnabled(w)) {
                EnableWindow(w, FALSE);
                st->second.push_back(w);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&state));
    ShowWindow(self, SW_SHOW);
    if (modal_hook()) modal_hook()(*this);
    MSG msg;
    while (IsWindow(self) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(self, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    for (HWND w : state.second) EnableWindow(w, TRUE);
}

int Window::live_windows() { return g_live_windows; }
void Window::set_quit_when_last_closes(bool on) { g_quit_when_last_closes = on; }

std::function<void(Window&)>& Window::modal_hook() {
    static std::function<void(Window&)> hook;
    return hook;
}

bool Window::has_flag(HWND control, unsigned flag) const {
    for (const auto& [c, f] : control_flags_)
        if (c == control) return (f & flag) != 0;
    return false;
}

LRESULT CALLBACK Window::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        if (--g_live_windows == 0 && g_quit_when_last_closes) PostQuitMessage(0);
        LRESULT r = DefWindowProcA(hwnd, msg, wp, lp);
        if (self->delete_on_destroy_) delete self;
        return r;
    }
    return self->dispatch(msg, wp, lp);
}

LRESULT Window::dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (on_message(msg, wp, lp, &result)) return result;
    switch (msg) {
        case WM_COMMAND:
            if (lp) on_command(LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_SETCURSOR:
            if (has_flag(reinterpret_cast<HWND>(wp), ctl::kHandCursor)) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_CTLCOLORSTATIC:
            if (has_flag(reinterpret_cast<HWND>(lp), ctl::kWhiteBackground)) {
                SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        case WM_DESTROY:
            on_destroy();
            return 0;
    }
    return DefWindowProcA(hwnd_, msg, wp, lp);
}

void add_list_columns(HWND list, const std::vector<ListColumn>& columns, DWORD extended_style) {
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, extended_style);
    for (size_t i = 0; i < columns.size(); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(columns[i].caption);
        column.cx = columns[i].width;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}
