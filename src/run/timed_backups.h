#pragma once
// When timed backups are due. A project with 定时备份 is watched while its program runs: the first
// backup comes one interval after the program was first seen running, the next one interval after
// that backup was due. A program that ends stops its clock; started again, it starts over.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TimedProject {
    std::string name;
    std::string exe;  // the program's file name, as the running check looks for it
    int minutes = 0;
};

class TimedBackups {
   public:
    using IsRunning = std::function<bool(const std::string& exe_name)>;

    // The projects with timed backups on; a project still listed keeps its clock.
    void set_projects(const std::vector<TimedProject>& projects);
    // Looks at the programs at `now` (seconds); the projects whose backup is due, in list order.
    std::vector<std::string> tick(int64_t now, const IsRunning& is_running);
    // Projects whose program was running at the last tick.
    std::vector<std::string> watched() const;

   private:
    struct Clock {
        TimedProject project;
        bool running = false;
        int64_t due = 0;
    };
    std::vector<Clock> clocks_;
};

// Seconds between two looks at the programs while a project is watched.
inline constexpr unsigned kTimedLookSeconds = 5;
