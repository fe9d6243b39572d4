#include "run/timed_backups.h"

#include "config/project_edit.h"

void TimedBackups::set_projects(const std::vector<TimedProject>& projects) {
    std::vector<Clock> clocks;
    for (const TimedProject& p : projects) {
        if (p.minutes <= 0 || p.exe.empty()) continue;
        Clock c{p, false, 0};
        for (const Clock& old : clocks_)
            if (same_project(old.project.name, p.name) && old.project.minutes == p.minutes) {
                c.running = old.running;
                c.due = old.due;
            }
        clocks.push_back(c);
    }
    clocks_ = std::move(clocks);
}

std::vector<std::string> TimedBackups::tick(int64_t now, const IsRunning& is_running) {
    std::vector<std::string> due;
    for (Clock& c : clocks_) {
        const int64_t interval = int64_t{c.project.minutes} * 60;
        if (!is_running(c.project.exe)) {
            c.running = false;
            continue;
        }
        if (!c.running) {
            c.running = true;
            c.due = now + interval;
            continue;
        }
        if (now < c.due) continue;
        due.push_back(c.project.name);
        // A machine that slept does not owe the backups it missed.
        while (c.due <= now) c.due += interval;
    }
    return due;
}

std::vector<std::string> TimedBackups::watched() const {
    std::vector<std::string> names;
    for (const Clock& c : clocks_)
        if (c.running) names.push_back(c.project.name);
    return names;
}
