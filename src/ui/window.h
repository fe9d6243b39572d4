#pragma once
// A thin wrapper around a top-level window and its controls, created from a layout table in pixels.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace ctl {
// Control flags of a layout row.
inline constexpr unsigned kHidden = 1;
inline constexpr unsigned kDisabled = 2;
inline constexpr unsigned kHandCursor = 4;
inline constexpr unsigned kBoldFont = 8;
inline constexpr unsigned kWhiteBackground = 16;  // read-only edit boxes drawn like editable ones
}  // namespace ctl

struct ControlSpec {
    int id;
    const char* cls;  // window class: "BUTTON", "EDIT", "STATIC", "COMBOBOX", PROGRESS_CLASSA …
    const char* caption;
    int x, y, w, h;
    DWORD style;  // added to WS_CHILD | WS_VISIBLE
    unsigned flags = 0;
    DWORD ex_style = 0;
};

// Report-style list views: a column's caption and width, added in order.
struct ListColumn {
    const char* caption;
    int width;
};
void add_list_columns(HWND list, const std::vector<ListColumn>& columns, DWORD extended_style);

class Window {
   public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND hwnd() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }
    std::string text(int id) const;
    void set_text(int id, const std::string& text);
    std::string title() const;
    void set_title(const std::string& text);
    void enable(int id, bool on);
    bool is_enabled(int id) const;
    void show(int id, bool on);
    bool is_visible(int id) const;
    void focus(int id);
    void close();  // destroys the window

    // Outer size and client size in pixels.
    SIZE outer_size() const;
    SIZE client_size() const;
    void set_outer_size(int w, int h);
    // Grows or shrinks the outer size so that the client area is exactly w × h.
    void fit_client_area(int w, int h);

    // Shows the window and runs a message loop until it is destroyed; the other windows of the
    // thread are disabled meanwhile.
    void run_modal();

    // Counts live top-level windows; the program quits when the last one closes.
    static int live_windows();
    static void set_quit_when_last_closes(bool on);
    // Tests drive a modal window from here: called once the window is shown, before its loop.
    static std::function<void(Window&)>& modal_hook();

   protected:
    bool create(const char* title, DWORD style, int x, int y, int w, int h);
    void create_controls(const ControlSpec* specs, size_t count);
    template <size_t N>
    void create_controls(const ControlSpec (&specs)[N]) { create_controls(specs, N); }
    HFONT font() const;
    HFONT bold_font() const;

    // A window made with new that lives exactly as long as its HWND.
    void delete_on_destroy() { delete_on_destroy_ = true; }

    // Events; the defaults do nothing.
    virtual void on_command(int /*id*/, int /*code*/) {}
    virtual void on_destroy() {}
    // Messages the subclass wants itself; return true when handled (result in *result).
    virtual bool on_message(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT* /*result*/) { return false; }

   private:
    static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT dispatch(UINT msg, WPARAM wp, LPARAM lp);
    bool has_flag(HWND control, unsigned flag) const;

    HWND hwnd_ = nullptr;
    bool delete_on_destroy_ = false;
    std::vector<std::pair<HWND, unsigned>> control_flags_;
};

// Runs `work` on a thread of its own and posts its result to `window` with `message`, the LPARAM a
// new Result that the window deletes; a window closed meanwhile never gets it.
template <typename Result>
void post_from_worker(HWND window, UINT message, std::function<Result()> work) {
    std::thread([window, message, work = std::move(work)] {
        auto* result = new Result(work());
        if (!PostMessageA(window, message, 0, reinterpret_cast<LPARAM>(result))) delete result;
    }).detach();
}
