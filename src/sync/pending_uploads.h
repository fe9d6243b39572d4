#pragma once
// Which sets of which projects still wait to be uploaded: a small GBK INI file that survives a
// restart, one section per project, one key per set (its time text):
//
//   [某游戏]
//   2026年12月10日12时3分4秒=待上传
//   2026年12月10日13时0分0秒=续传
//
// "续传" marks a set whose upload has begun at least once: only then may the server hold pieces of
// it, and only then is the project's folder listed before its upload.
//
// Written whole by replacement, so a kill leaves the old record or the new one. A damaged record
// yields what can still be read (keys that are no set's time text are dropped); one that cannot be
// read at all is kept aside as "<name>.已损坏" and a new one started, so a damaged record never
// stops uploads for good.
#include <string>
#include <vector>

#include "fs/file_system.h"

namespace syncing {

class PendingUploads {
   public:
    PendingUploads(fs::FileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}

    // The pending sets of a project, oldest first.
    std::vector<std::string> of(const std::string& project);
    std::vector<std::string> projects();
    // False when the record could not be written (the change is then not kept).
    bool add(const std::string& project, const std::string& stem);
    bool remove(const std::string& project, const std::string& stem);
    bool mark_begun(const std::string& project, const std::string& stem);
    bool any_begun(const std::string& project);

   private:
    std::string read();
    bool change(const std::string& project, const std::string& stem, const char* value);

    fs::FileSystem& fs_;
    std::string path_;
};

}  // namespace syncing
