#pragma once
// The main window and "配置" replace each other: closing "配置" opens the main window again. Both
// open with what the application state holds at that moment.
#include <string>

#include "app/main_window.h"

// What the main window opens with now.
MainContext main_context();
// A main window that lives until it is closed; false when it could not be created.
bool open_main_window();
// "配置", prefilled from a dropped file ("" for none) and on the page "设置" while no project list
// is chosen; false when it could not be created.
bool open_config(const std::string& dropped_file = "");
