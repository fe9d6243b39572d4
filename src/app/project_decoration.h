#pragma once
#include "run/project_loading.h"

// The folder decoration for a project (Desktop.ini and the program's icon), once: a folder that has
// its image.ico keeps it. Names that are no plain folder name are left alone: backup refuses them.
void decorate_project_folder(fs::FileSystem& fs, const CurrentProject& project);
