#pragma once
// The Win32 half of a recording session: the roots of this machine, the change notifications on
// them and the start of the program.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "finder/recording.h"

namespace finder {

// The usual save roots of this machine that exist, and the program's own folder.
std::vector<Root> session_roots(fs::FileSystem& fs, const std::string& program_folder);

// Change notifications on every root of a recording. A root that cannot be watched, or whose
// reports overflowed, is marked for the rescan instead.
class Watcher {
   public:
    explicit Watcher(Recording& recording);
    ~Watcher();
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    void poll();  // takes what has been reported so far; never waits
    void stop();  // takes the last reports and ends every watch

   private:
    struct Watch;
    void begin(size_t root);
    bool issue(Watch& w);
    void take(Watch& w, DWORD bytes);
    void end(Watch& w);

    Recording& recording_;
    std::vector<std::unique_ptr<Watch>> watches_;
};

// Starts the program with its own folder as the working folder. The process handle, or nullptr
// with the system's reason in *error.
HANDLE start_watched_program(const std::string& program_file, std::string* error);

// Seconds since 1970-01-01 UTC.
int64_t unix_now();

}  // namespace finder
