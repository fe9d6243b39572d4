#pragma once
#include <string>
bool is_valid_project_name(const std::string& name);
