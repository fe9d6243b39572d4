#pragma once
// Shell shortcuts (.lnk). COM must be initialised on the calling thread.
#include <string>

// The target path of the shortcut file; "" when it cannot be read.
std::string shortcut_target(const std::string& lnk_path);
