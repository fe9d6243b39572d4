#pragma once
// A path as the user reads it in a control, a box or a notice. Paths reach the user through this
// one function, so that how the program holds them can change without touching what is shown.
#include <string>

inline std::string shown_path(const std::string& path) { return path; }
