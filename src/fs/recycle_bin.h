// The Recycle Bin, beside the file-system port: what the user deletes goes there, where the shell
// can give it back. Paths are the file world's.
#pragma once

#include <string>
#include <vector>

namespace fs {

class RecycleBin {
   public:
    virtual ~RecycleBin() = default;
    // Whether another program holds the file so that it cannot be moved now.
    virtual bool in_use(const std::string& path) = 0;
    // Moves the files there in one operation of the shell, which asks nothing itself; true when all went.
    virtual bool move_to_bin(const std::vector<std::string>& paths) = 0;
};

// The shell's own (Windows only); made once by WinMain and handed down.
RecycleBin& platform_recycle_bin();

}  // namespace fs
