#pragma once
// Names that Windows takes for a device in any folder, so that a file or folder of that name can
// never be made: CON, PRN, AUX, NUL, COM0 … COM9, LPT0 … LPT9, CONIN$ and CONOUT$, in any case and
// whatever follows the first dot (blanks before that dot are ignored too).
#include <string_view>

bool is_device_name(std::string_view component);
