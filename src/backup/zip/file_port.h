// The engine reads and writes through the program's file-system port, by these names.
#pragma once

#include "fs/file_system.h"

namespace zip {

using fs::DirEntry;
using fs::FileState;
using fs::FileSystem;
using fs::FolderId;
using fs::InputFile;
using fs::OutputFile;
using fs::kKeepTime;

}  // namespace zip
