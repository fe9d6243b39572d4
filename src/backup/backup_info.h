#pragma once
// What the user and the tool know of each backup set beyond its files: how it was made, a note,
// whether it is kept for good and whether 校验 found it damaged. Held in 备份信息.ini in the project's backup folder, one section
// per set named by its first archive's file name, so it travels with the folder. A missing or
// damaged file means "nothing known": it never stops a backup or a restore.
#include <optional>
#include <string>
#include <vector>

#include "fs/file_system.h"
#include "config/ini_document.h"

namespace backup {

namespace backup_kind {
inline const char* const kManual = "手动";
inline const char* const kTimed = "自动";
inline const char* const kQuick = "快速";
inline const char* const kAfterExit = "退出后";
inline const char* const kCommandLine = "命令行";
inline const char* const kSafetyCopy = "恢复前";
}  // namespace backup_kind

struct SetInfo {
    std::string kind = backup_kind::kManual;  // sets made before kinds were written read 手动
    std::string note;
    bool kept = false;
    std::string damaged;  // what 校验 found wrong, until the set reads sound again; "" when nothing
};

class BackupInfo {
   public:
    BackupInfo(fs::FileSystem& fs, std::string backup_folder);

    // Sets are named as ArchiveSet::key() names them.
    SetInfo of(const std::string& first_archive) const;
    // The file is there but cannot be read now: which sets are kept is unknown, so nothing may be
    // pruned.
    bool unreadable() const;
    bool set_kind(const std::string& first_archive, const std::string& kind);
    bool set_note(const std::string& first_archive, const std::string& note);
    bool set_kept(const std::string& first_archive, bool kept);
    bool set_damaged(const std::string& first_archive, const std::string& what);
    // Drops what was known of sets that are gone.
    bool forget(const std::vector<std::string>& first_archives);

   private:
    bool set_value(const std::string& first_archive, const char* key, const std::string& value);
    std::string file() const;
    const ini::Document& document() const;


    fs::FileSystem& fs_;
    std::string folder_;
    mutable std::optional<ini::Document> doc_;  // read once, until this object writes
    mutable bool unreadable_ = false;
};

}  // namespace backup
