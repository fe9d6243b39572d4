#pragma once
// Helpers for tests that run under Wine: a fresh tool folder per test, real files, message pumping.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/ini.h"
#include "config/machine_list.h"
#include "config/project_list.h"
#include "fs/file_system.h"

namespace wintest {

// The program's own files, and a path a test names as the user types it (ANSI) in the file world.
fs::FileSystem& disk();
std::string on_disk(const std::string& ansi);
inline std::string ansi(const std::string& path) { return fs::shown(path); }

// A new empty folder under the Windows temp folder (GBK path, no trailing backslash), removed with
// everything in it when the object goes.
class TempDir {
   public:
    explicit TempDir(const std::string& name_hint = "varnoke");
    ~TempDir();
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& rel) const { return path_ + "\\" + rel; }

   private:
    std::string path_;
};

void write_file(const std::string& path, const std::string& bytes);
// A file of an archive, extracted into a fresh folder ("" when the archive cannot be extracted).
std::string unpacked(const std::string& archive, const std::string& relative);
std::string read_file(const std::string& path);  // "" when missing
bool make_dirs(const std::string& path);
void remove_tree(const std::string& path);
// Looks at and changes files by their ANSI paths through the program's own file system, so that
// paths beyond 260 characters work as in the program.
bool exists(const std::string& path);
bool is_directory(const std::string& path);
bool is_file(const std::string& path);
std::optional<unsigned long> attributes(const std::string& path);
bool create_directory(const std::string& path);
bool delete_file(const std::string& path);
std::optional<std::string> read_bytes(const std::string& path, size_t limit);
bool write_bytes(const std::string& path, const std::string& bytes);
// Names of the files in `folder` that match a pattern of literal text around '*'s.
std::vector<std::string> matching_files(const std::string& folder, const std::string& pattern);

// The Linux path of a Windows path under Wine; "" elsewhere.
std::string unix_path(const std::string& path);
// Starts a Linux program of /bin or /usr/bin under Wine with these arguments (Windows paths among
// them already turned into Linux ones). Wine gives no handle to wait on for such a process, so the
// caller looks for its effect; false when it could not be started.
bool run_linux(const std::vector<std::string>& argv);
// Waits up to `ms` for `done` to hold.
bool wait_for(const std::function<bool()>& done, int ms = 5000);
// Starts this test program again, running only the tests that `filter` names.
PROCESS_INFORMATION start_self(const std::string& filter);

// A symbolic link to a folder. Windows makes it itself; Wine accepts the call but makes nothing,
// so there it is a Unix symbolic link, which Wine shows as a reparse point as Windows would.
bool make_folder_link(const std::string& link, const std::string& target);

// Runs a command line to its end, its standard output into `output_file` when one is given; the
// exit code, or -1 when it did not start or end within two minutes.
int run_program(const std::string& command_line, const std::string& output_file = "");
// Starts a program and leaves it running; false when it did not start.
bool start_program(const std::string& path);

// Handles every pending message of this thread (also the ones posted while handling).
void pump_messages();

// Simulates the user: picks item `index` in a combo box and sends the parent CBN_SELCHANGE.
void select_combo_item(HWND combo, int index);
// Clicks a button the way the user does (BM_CLICK).
void click(HWND button);
// Sets an edit box text the way typing does (the parent gets EN_CHANGE).
void type_text(HWND edit, const std::string& text);
// Items of a combo box.
std::string combo_item(HWND combo, int index);
int combo_count(HWND combo);

// Top-level windows of this test's own thread with this title (all of them for nullptr). Other test
// programs run at the same time on the same display, so FindWindow would see their windows too.
std::vector<HWND> own_windows(const char* title = nullptr);
HWND own_window(const char* title);  // the first, or nullptr

}  // namespace wintest

// Tests name INI files by ANSI paths; these reach the program's functions on its own file system.
inline std::string read_ini_value(const std::string& file, const std::string& section, const std::string& key,
                                  const std::string& default_value = "") {
    return read_ini_value(wintest::disk(), wintest::on_disk(file), section, key, default_value);
}
inline bool write_ini_value(const std::string& file, const std::string& section, const std::optional<std::string>& key,
                            const std::optional<std::string>& value) {
    return write_ini_value(wintest::disk(), wintest::on_disk(file), section, key, value);
}
inline bool delete_ini_section(const std::string& file, const std::string& section) {
    return delete_ini_section(wintest::disk(), wintest::on_disk(file), section);
}
inline std::vector<std::string> read_ini_section_names(const std::string& file) {
    return read_ini_section_names(wintest::disk(), wintest::on_disk(file));
}
inline std::vector<std::string> load_project_names(const std::string& list) {
    return load_project_names(wintest::disk(), wintest::on_disk(list));
}
