#pragma once
// Sync of one project's sets with a remote: uploads the sets still pending, append-only — a
// remote set is never overwritten, nothing is ever deleted there but temporaries left by cut
// tries, and a set deleted here stays there — and shows the remote's sets beside the local ones.
// The sets module decides which set is newer; this only moves and lists them.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "fs/file_system.h"
#include "sync/pending_uploads.h"
#include "sync/remote.h"
#include "sync/remote_sets.h"

namespace syncing {

struct LocalArchive {
    int number = 1;    // 1 for ".zip", k for ".zip<k>"
    std::string path;  // file world
    uint64_t size = 0;
};

struct LocalSet {
    std::string stem;  // the time text (GBK)
    std::vector<LocalArchive> archives;
    std::string kind, note;  // GBK
};

struct Machine {
    std::string id;             // as start-up computes it
    std::string computer_name;  // for people
};

struct SyncResult {
    Outcome listing;                                      // the project's folder could not be listed or made
    std::vector<std::string> uploaded;                    // stems now whole on the remote
    std::vector<std::pair<std::string, Outcome>> failed;  // stems still pending, and why
    std::vector<std::string> dropped;  // pending, but deleted here before their upload, or without archive 1
};

// One set as the history shows it: here, there, or both.
struct SetPlace {
    std::string stem;  // time text (GBK)
    const LocalSet* local = nullptr;
    std::optional<RemoteSet> remote;
};

// A published metadata file never changes: what was read of one server may serve every core that
// lists it later, so opening a history again costs one listing, not one request per set.
struct MetadataCache {
    std::mutex mutex;
    std::map<std::string, SetMetadata> known;  // folder/name
};

class SyncCore {
   public:
    SyncCore(Remote& remote, fs::FileSystem& fs, PendingUploads& pending, Machine machine,
             std::function<int64_t()> wall_seconds = nullptr, std::shared_ptr<MetadataCache> cache = nullptr);

    // `project` as the program holds it (GBK). One listing tells which files an earlier try already
    // published. A listing the server may have cut short (750 entries) is believed only for what it
    // shows: an unlisted file is sent again, and publishing finds it there and keeps it.
    SyncResult upload_pending(const std::string& project, const std::vector<LocalSet>& local);
    // Newest first; one listing, and the metadata of sets not read before.
    std::vector<SetPlace> sets_beside(const std::string& project, const std::vector<LocalSet>& local,
                                      Outcome* outcome, bool* maybe_partial);

   private:
    Outcome upload_set(const std::string& folder, const LocalSet& set, const Listing& listing);
    Outcome upload_file(const std::string& folder, const std::string& name, fs::InputFile& source,
                        const Listing& listing);
    std::optional<SetMetadata> read_metadata(const std::string& folder, const RemoteFile& file);
    void remove_old_temporaries(const std::string& folder, const Listing& listing);

    Remote& remote_;
    fs::FileSystem& fs_;
    PendingUploads& pending_;
    Machine machine_;
    std::string tag_;
    std::function<int64_t()> wall_seconds_;
    std::shared_ptr<MetadataCache> metadata_cache_;
};

}  // namespace syncing
