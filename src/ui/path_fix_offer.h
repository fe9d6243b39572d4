#pragma once
// The fix offered for a path of another user's profile or of a drive this machine lacks: this
// user's profile in its place, or a folder the user picks once.
#include <optional>

#include "paths/path_fixes.h"

#include <string>

// Asks; nullopt when the user wants none.
std::optional<PathFix> ask_for_path_fix(const PathTrouble& trouble);

// A save path about to be stored that lies under this user's profile or 我的文档: its token form
// is offered, so that the list travels to other machines. What is to be stored comes back.
std::string with_token_form_offered(const std::string& stored);
