#pragma once
// Sets on the remote. A set made at time T on a machine is stored as
//   <T>~<tag>.zip, <T>~<tag>.zip2 …   its archives, numbered as the tool numbers them
//   <T>~<tag>.txt                     its metadata, published last
// where <tag> is 8 hex digits drawn from the machine's id: two machines that back up in the same
// second never share a name, and one machine names a set once. A set is whole — visible — when its
// metadata reads well and every archive it names is listed with the size it gives; temporaries,
// names of any other shape and sets still being written are passed over.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sync/remote.h"
#include "sync/set_metadata.h"

namespace syncing {

std::string machine_tag(const std::string& machine_id);
// "<T>~<tag>" from a set's time text (GBK) and a tag; file-world text.
std::string remote_stem(const std::string& time_text, const std::string& tag);
std::string archive_name(const std::string& remote_stem, int number);
std::string metadata_name(const std::string& remote_stem);

struct RemoteName {
    std::string stem;       // "<T>~<tag>"
    std::string time_text;  // T in GBK, exactly as the tool writes it
    std::string tag;
    int archive = 0;  // 0 for the metadata, else the archive's number
};
// What a listed name is, or nullopt for anything that is not one of a set's files.
std::optional<RemoteName> parse_remote_name(const std::string& name);

struct RemoteSet {
    std::string stem;
    SetMetadata metadata;
    std::vector<RemoteFile> archives;
};

struct RemoteView {
    std::vector<RemoteSet> whole;         // newest first
    std::vector<std::string> unfinished;  // stems with files but no whole set yet
    std::vector<RemoteFile> temporaries;
    bool maybe_partial = false;
};

// Reads a metadata file; nullopt when it cannot be had or read.
using MetadataReader = std::function<std::optional<SetMetadata>(const RemoteFile&)>;
RemoteView view_of(const Listing& listing, const MetadataReader& read);

}  // namespace syncing
