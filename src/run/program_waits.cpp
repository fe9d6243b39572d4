#include "run/program_waits.h"

#include "config/project_edit.h"
#include "paths/gbk_text.h"

bool ProgramWaits::add(const std::string& project, const std::string& program_file) {
    if (contains_project(projects(), project)) return false;
    waiting_.push_back({project, gbk::after_last_backslash(program_file)});
    return true;
}

std::optional<std::string> ProgramWaits::take_ended(const IsRunning& is_running,
                                                    const std::function<bool(const std::string&)>& ready) {
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if ((ready && !ready(it->project)) || is_running(it->exe)) continue;
        std::string project = it->project;
        waiting_.erase(it);
        return project;
    }
    return std::nullopt;
}

std::vector<std::string> ProgramWaits::projects() const {
    std::vector<std::string> names;
    for (const Waiting& w : waiting_) names.push_back(w.project);
    return names;
}

std::string waiting_text(const std::string& program_file) {
    return "等待 " + gbk::after_last_backslash(program_file) + " 退出…";
}
