#include "paths/device_names.h"

#include <string>

#include "paths/gbk_text.h"

bool is_device_name(std::string_view component) {
    std::string base = gbk::ascii_lower(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (base == "con" || base == "prn" || base == "aux" || base == "nul" || base == "conin$" || base == "conout$")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
           base[3] >= '0' && base[3] <= '9';
}
