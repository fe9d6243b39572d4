#pragma once
// Shell shortcuts (.lnk), beside the file-system port: the shortcut file is named by its path in
// the file world; what it holds (target, folder, arguments, icon) is text as the user reads it.
// COM must be initialised on the calling thread.
#include <optional>
#include <string>

namespace fs {

struct ShellLink {
    std::string target;
    std::string working_dir;
    std::string arguments = {};
    std::string icon_file = {};  // its first icon; "" for the target's own
};

// The shortcut file's target, working directory, arguments and icon; nullopt when it cannot be read.
std::optional<ShellLink> read_shell_link(const std::string& lnk_path);
// The target path of the shortcut file; "" when it cannot be read.
std::string shortcut_target(const std::string& lnk_path);
// Writes (or overwrites) a shortcut; false when the shell could not save it.
bool save_shell_link(const std::string& lnk_path, const ShellLink& link, int show_command);

}  // namespace fs
