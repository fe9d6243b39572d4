#pragma once
// Paths that follow the user. A project list written on another machine may name folders under
// another user's profile ("C:\Users\olduser\…") or on a drive this machine does not have. This
// machine keeps fixes, pairs of an old and a new folder, and applies them to every path as it is
// expanded; the list itself is never rewritten, so the other machine still reads its own paths.
// Paths here are text, as expanded (ANSI, '\').
#include <functional>
#include <string>
#include <vector>

#include "paths/expand.h"

struct PathFix {
    std::string from;  // a folder, no trailing backslash
    std::string to;
    bool operator==(const PathFix& o) const { return from == o.from && to == o.to; }
};
using PathFixes = std::vector<PathFix>;

// The path with the fix of the longest folder that holds it applied; as it is when none does.
std::string apply_path_fixes(const std::string& path, const PathFixes& fixes);
// Keeps `fix`, replacing one of the same old folder.
void add_path_fix(PathFixes& fixes, const PathFix& fix);

// How the fixes are kept per machine: "old>new" pairs joined with "|" (no path holds either).
std::string format_path_fixes(const PathFixes& fixes);
PathFixes parse_path_fixes(const std::string& text);

// Why a path cannot be used here, and the folder a fix would replace.
struct PathTrouble {
    enum Kind { none, other_user, missing_drive } kind = none;
    std::string folder;     // "C:\Users\olduser" or "E:"
    std::string suggested;  // this user's profile for another user's; "" when the user must pick
};
// `drive_exists` asks this machine whether a drive letter is there.
PathTrouble check_path(const std::string& path, const Folders& folders,
                       const std::function<bool(char drive)>& drive_exists);

// The form of a path that travels: "<我的文档>\…" under this user's documents, "%USERPROFILE%\…"
// elsewhere under this user's profile; "" for any other path.
std::string token_form(const std::string& path, const Folders& folders);
// A stored "存档路径" with every "|"-joined path that has a token form in it, except those in the
// temp folder; "" when none has.
std::string travelling_form(const std::string& stored, const Folders& folders);
