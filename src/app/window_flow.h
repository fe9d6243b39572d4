#pragma once
// The main window and "配置" replace each other: closing "配置" opens the main window again. Both
// open with what the application state holds at that moment.

// A main window that lives until it is closed; false when it could not be created.
bool open_main_window();
// "配置", prefilled from a dropped file and on the page "设置" while no project list is chosen;
// false when it could not be created.
bool open_config();
