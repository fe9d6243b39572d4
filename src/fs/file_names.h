// Paths of the file world: UTF-8 names joined with '/', and the temporary names written beside a
// file before it moves into place.
#pragma once

#include <string>

// A name of the tool's own files and folders as the file world spells it: path_of() of the text,
// known when the program is built. UTF-8 on Windows; on other hosts, where only the tests run, the
// file world keeps the program's own bytes.
#ifdef _WIN32
#define FS_NAME(text) u8##text
#else
#define FS_NAME(text) text
#endif

namespace fs {

// The one way into the file world and the one way out. A path the program holds as ANSI text
// (typed, stored in a list, expanded, chosen in a dialog) becomes the file world's: UTF-8, '/'
// between names. A path or name of the file world becomes text for the user: the ANSI code page,
// '\' between names; what that code page cannot spell comes out as '?'.
std::string path_of(const std::string& ansi);
std::string shown(const std::string& path);
// A name as an archive spells it (its '/' kept), as text for the user.
std::string shown_name(const std::string& name);
// A reason that names the file or folder it concerns: `what` followed by the path as shown.
inline std::string named(const char* what, const std::string& path) { return what + shown(path); }
// A name from an archive written without the UTF-8 flag, in the file world.
std::string legacy_name(const std::string& raw);

bool is_valid_utf8(const std::string& text);

std::string join_path(const std::string& dir, const std::string& relative);
std::string parent_path(const std::string& path);  // "" when there is none

// The same path spelled alike, for comparing paths (a record's with the project's): '\' as '/',
// "." and ".." resolved, Latin letters in lower case.
std::string normal_path(const std::string& path);
// Whether `path` lies strictly below `folder`, both spelled alike as above.
bool path_inside(const std::string& path, const std::string& folder);

// A fresh name in the same folder as `path`, for writing there before moving into place.
std::string sibling_temp_path(const std::string& path);
// Whether a file name is one that sibling_temp_path makes.
bool is_temporary_name(const std::string& file_name);

}  // namespace fs
