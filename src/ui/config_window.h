#pragma once
// The configuration window "配置"; it replaces the main window while it is open.
bool open_config_window();
