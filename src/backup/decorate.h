#pragma once
// A project's backup folder is made recognisable in the file manager: a Desktop.ini that points at
// an image.ico holding the first icon of the project's program.
#include <string>

// The exact Desktop.ini bytes.
extern const char kDesktopIni[];

// `folder` ends in "\". Does nothing when no file `program_path` exists.
void decorate_backup_folder(const std::string& program_path, const std::string& folder);

// Writes the first icon group of an executable as an .ico file; false when it has none.
bool write_first_icon_group(const std::string& exe_path, const std::string& ico_path);
