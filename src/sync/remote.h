#pragma once
// Where sets are kept for other machines: one folder per project under <root>/Varnoke/. A WebDAV
// server and a plain folder (a network share, a sync client's folder) stand behind this one
// interface, with the same rules: a file is written under a temporary name and published by a
// rename that never overwrites, then its size is checked; nothing is ever replaced.
//
// Names are file-world text (UTF-8); `project` is one folder name, `name` one file name in it.
#include <cstdint>
#include <string>
#include <vector>

#include "fs/file_system.h"

namespace syncing {

// What went wrong, sorted the way 测试连接 and the log tell it.
enum class Failure {
    none,
    unreachable,  // no connection: address, network, a connection cut
    certificate,  // the server's certificate was refused
    credentials,  // wrong user or password
    folder,       // the folder is missing and cannot be made
    throttled,    // the server asks to wait (503, 429, a temporary block)
    exists,       // the name is taken by a different file: nothing was replaced
    refused,      // any other answer the server should not give
    garbled,      // an answer that cannot be read or breaks a bound
    local,        // a file of this machine could not be read or written
};

struct Outcome {
    Failure failure = Failure::none;
    std::string reason;  // for people and the log; never holds a password
    explicit operator bool() const { return failure == Failure::none; }
};
inline Outcome fail(Failure failure, std::string reason) {
    return {failure, std::move(reason)};
}

struct RemoteFile {
    std::string name;
    uint64_t size = 0;
    int64_t mtime = 0;  // seconds since 1970, 0 when unknown
};

struct Listing {
    std::vector<RemoteFile> files;  // temporaries included, folders left out
    // The server may have cut the listing short (some stop at 750 entries): what is not listed
    // may still be there.
    bool maybe_partial = false;
};

class Remote {
   public:
    virtual ~Remote() = default;
    // Reaches the root and makes <root>/Varnoke/ when missing: what 测试连接 does.
    virtual Outcome check() = 0;
    // Makes <root>/Varnoke/<project>/, each missing level in turn; `made` tells whether the
    // project's own folder was made just now (and so holds nothing).
    virtual Outcome make_project_folder(const std::string& project, bool* made) = 0;
    // The project's files, bounded; a missing folder is an empty listing.
    virtual Outcome list(const std::string& project, Listing* listing) = 0;
    // One file's size; Failure::refused with an empty reason when it is not there.
    virtual Outcome size_of(const std::string& project, const std::string& name, uint64_t* size) = 0;
    // Writes the file under a temporary name, publishes it as `name` unless that name is taken,
    // and checks the published size. A file already there with the same size counts as this one
    // published by an earlier try.
    virtual Outcome upload(const std::string& project, const std::string& name, fs::InputFile& source) = 0;
    // Says that a small upload comes right after the next one (a set's metadata after its last
    // archive), so that a remote on a connection can start it on a fresh one.
    virtual void small_upload_follows() {}
    // At most `limit` bytes; more is refused.
    virtual Outcome download(const std::string& project, const std::string& name, uint64_t limit,
                             fs::OutputFile& sink) = 0;
    // Removes a temporary left by a try that was cut short; refuses any other name.
    virtual Outcome remove_temporary(const std::string& project, const std::string& name) = 0;
};

// The folder under the root that holds the projects.
inline const char* const kAppFolder = "Varnoke";
// Files larger than this are never uploaded or downloaded.
constexpr uint64_t kMaxFileSize = uint64_t{64} << 30;
// A name the remote may hand back: one component, no separators, not "." or "..", UTF-8, bounded.
bool is_safe_name(const std::string& name);
// Failure::local unless `name` may be published: safe, and not a temporary's.
Outcome name_to_publish(const std::string& name);
// Failure::local unless `name` is a temporary's: nothing else is ever removed.
Outcome name_of_temporary(const std::string& name);

}  // namespace syncing
