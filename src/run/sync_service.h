#pragma once
// Sync as the program uses it, apart from the windows: this machine's server settings in
// 系统配置文件.ini (the password sealed by the Windows user), the record of sets still to upload,
// uploads of what is pending, the server's sets beside a project's own, and fetching one of them
// into the backup folder. Everything here may take long: the windows call it on a worker.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup/operation_types.h"
#include "config/project_edit.h"
#include "config/tool_folders.h"
#include "sync/password.h"
#include "sync/remote_access.h"
#include "sync/sync_core.h"

// What sync needs of the machine; copied freely, the references outlive every run.
struct SyncSetup {
    fs::FileSystem* fs = nullptr;
    ToolFolders tool;
    syncing::Machine machine;  // id and computer name
    syncing::SecretProtector* protector = nullptr;
    syncing::TransportMaker transport;

    std::string pending_path() const;
    syncing::PasswordPlace password_place() const;
};

// The settings as stored for this machine; the password unsealed, "" when none or unreadable.
syncing::RemoteSettings read_sync_settings(const SyncSetup& setup);
// An empty password keeps the stored one. False when anything could not be written or sealed.
bool write_sync_settings(const SyncSetup& setup, const syncing::RemoteSettings& settings);
bool sync_configured(const SyncSetup& setup);

// 测试连接: "" when the server (or folder) answers and its Varnoke folder is there or was made,
// else what is wrong, for people.
std::string test_connection(const SyncSetup& setup, const syncing::RemoteSettings& settings);

// A set is written whole when its first archive was written and no save folder failed: a folder
// missing at backup time is simply not in it.
bool written_whole(const backup::Outcome& outcome);
// After a backup: records its set as pending when the project syncs. True when it was recorded.
bool note_written_set(const SyncSetup& setup, const ProjectOptions& options, const std::string& project,
                      const backup::Outcome& outcome);

// A project's backup sets as the sync core sees them, with their kind and note.
std::vector<syncing::LocalSet> local_sets(fs::FileSystem& fs, const std::string& backup_folder);

struct SyncReport {
    int uploaded = 0, failed = 0;
    bool refused = false;                // no server set, or it cannot be opened
    std::vector<std::string> log_lines;  // each naming the project; never a password
    std::string summary;                 // one line for the notification
    int exit_code() const { return refused ? 2 : failed > 0 ? 1 : 0; }
};
// Progress for the tray: the project and the file going up now.
using SyncProgress = std::function<void(const std::string& project, const std::string& file)>;

// Uploads what is pending of `only` (""; every project), as long as the project still syncs.
SyncReport upload_pending_sets(const SyncSetup& setup, const ProjectFiles& list, const std::string& only,
                               const SyncProgress& progress = nullptr);

// One row of 存档历史's column 位置.
struct ServerSet {
    std::string stem;  // time text (GBK)
    bool here = false, there = false;
    std::string machine;  // the computer that made it, when another did ("" for this one)
    syncing::RemoteSet remote;  // when there
};
struct ServerListing {
    std::string problem;  // "" when the server answered
    bool maybe_partial = false;
    std::vector<ServerSet> sets;
};
ServerListing list_server_sets(const SyncSetup& setup, const std::string& project, const std::string& backup_folder);
// "本机", "服务器", "两处", each with the computer that made it when it was another.
std::string place_text(const ServerSet& set);

// Downloads a set that is only on the server into the backup folder: every archive under a
// temporary name, its size and CRC checked against the metadata, then published under the set's
// own name, never over a file there. The path of its first archive, or nullopt with `problem`.
std::optional<std::string> fetch_server_set(const SyncSetup& setup, const std::string& project,
                                            const std::string& backup_folder, const syncing::RemoteSet& set,
                                            std::string* problem);

// The newest set on the server made by another machine, when it is newer than the newest set
// here: what 启动程序 offers to restore first. Bounded by the transport's timeouts.
struct NewerElsewhere {
    std::string problem;  // the server could not be asked: go on, and say so in the log
    std::optional<ServerSet> newer;
    bool both_changed = false;  // this machine also made a set since the last one both share
};
NewerElsewhere newer_on_server(const SyncSetup& setup, const std::string& project, const std::string& backup_folder);
std::string newer_question(const NewerElsewhere& found);
