// Names as Windows compares them: without case, by its upper-case table. Two names that fold alike
// are one file on Windows, so an archive holding both cannot be restored there.
#pragma once

#include <string>

namespace fs {

// The UTF-8 name in upper case for ASCII, Latin-1, Latin Extended-A/B, Greek, Cyrillic and
// full-width Latin; other characters as they are. Text that is not UTF-8 folds its ASCII only.
std::string fold_case(const std::string& name);

}  // namespace fs
