#include "config/project_name.h"
bool is_valid_project_name(const std::string& name) { return !name.empty() && name.find_first_of("\\/:*?\"<>|") == std::string::npos && name != "." && name != ".."; }
