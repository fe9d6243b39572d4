#pragma once
// The remote in a folder: a network share (\\nas\存档) or a folder a sync client keeps. The same
// rules as on a server, through the file-system port: written under a temporary name, flushed,
// published by a rename that never replaces, size checked.
#include <string>

#include "fs/file_system.h"
#include "sync/remote.h"

namespace syncing {

class FolderRemote : public Remote {
   public:
    // `root`: a file-world path ("//nas/存档", "C:/Users/me/OneDrive").
    FolderRemote(fs::FileSystem& fs, std::string root) : fs_(fs), root_(std::move(root)) {}

    Outcome check() override;
    Outcome make_project_folder(const std::string& project, bool* made = nullptr) override;
    Outcome list(const std::string& project, Listing* listing) override;
    Outcome size_of(const std::string& project, const std::string& name, uint64_t* size) override;
    Outcome upload(const std::string& project, const std::string& name, fs::InputFile& source) override;
    Outcome download(const std::string& project, const std::string& name, uint64_t limit,
                     fs::OutputFile& sink) override;
    Outcome remove_temporary(const std::string& project, const std::string& name) override;

   private:
    std::string folder_of(const std::string& project) const;
    Outcome publish(const std::string& temp, const std::string& path, uint64_t size);

    fs::FileSystem& fs_;
    std::string root_;
};

// Copies `source` into `sink` in pieces; false when a read or a write fails or the source ends early.
bool copy_file_data(fs::InputFile& source, fs::OutputFile& sink);

}  // namespace syncing
