#pragma once
// A project's backup folder is made recognisable in the file manager: a Desktop.ini that points at
// an image.ico holding the first icon of the project's program.
#include <string>

#include "fs/file_system.h"

namespace backup {

// The exact Desktop.ini bytes.
extern const char kDesktopIni[];

// Makes the backup folder `folder` when it is missing, with its Desktop.ini, and writes image.ico
// from the program (its path as text). Does nothing when no file `program_path` exists.
void decorate_backup_folder(fs::FileSystem& fs, const std::string& program_path, const std::string& folder);

// Writes the first icon group of an executable as an .ico file; false when it has none.
bool write_first_icon_group(fs::FileSystem& fs, const std::string& exe_path, const std::string& ico_path);

// An .ico file whose directory and images are sound; some icon readers crash on anything else.
bool is_sound_icon_file(fs::FileSystem& fs, const std::string& path);

}  // namespace backup
