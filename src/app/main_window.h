#pragma once
// The main window "Varnoke". Opening it builds its lists from the configuration files.
bool open_main_window();
