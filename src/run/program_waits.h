#pragma once
// Waiting for a started program to end before its project is backed up. A launcher often hands
// over to another process of the same name and exits at once, so a program has ended only when no
// process of its file name is left. The main window looks on a timer, the command line in a loop;
// both ask the same list.
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Milliseconds between two looks at the process list.
inline constexpr unsigned kProgramLookInterval = 1000;

class ProgramWaits {
   public:
    using IsRunning = std::function<bool(const std::string& exe_name)>;

    // Waits for the program of `project` (its path, expanded); false when that project is waited
    // for already: started twice, it is still backed up once.
    bool add(const std::string& project, const std::string& program_file);
    // The first project whose program has ended and that is `ready` (nullptr: any), no longer
    // waited for; nullopt while all run.
    std::optional<std::string> take_ended(const IsRunning& is_running,
                                          const std::function<bool(const std::string& project)>& ready = nullptr);
    std::vector<std::string> projects() const;
    bool idle() const { return waiting_.empty(); }  // nothing waited for

   private:
    struct Waiting {
        std::string project;
        std::string exe;
    };
    std::vector<Waiting> waiting_;
};

// What the progress line or the console says meanwhile.
std::string waiting_text(const std::string& program_file);
