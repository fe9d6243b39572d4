#pragma once
// The record of a restore (or of the undo of one), kept beside its safety copy: the renames that
// put the new files in place, in order, so that a restore that fails or is ended by force can be
// taken back move by move; and, once it has succeeded, what it replaced and created, so that it
// can be undone later. Written as GBK text; paths GBK cannot spell are kept escaped.
#include <string>
#include <vector>

#include "backup/zip/file_system.h"

struct FileMove {
    std::string from, to;  // file-system paths
    std::string attributes_of;  // a file whose attributes (read-only …) the moved one takes on; may be ""
};

// A file the restore replaced: its name in the folder ('/') and its time and attributes then.
struct ReplacedFile {
    std::string relative;
    zip::FileState state;
    bool operator==(const ReplacedFile& o) const {
        return relative == o.relative && state.time == o.state.time && state.attributes == o.state.attributes;
    }
};

// One save folder of the set, for the undo.
struct RestoredFolder {
    int k = 1;
    std::string folder;       // file-system path
    std::string safety_copy;  // its copy from before the restore; "" when the folder did not exist
    std::vector<ReplacedFile> replaced;
    std::vector<std::string> created;   // relative names of the files it added
    std::vector<std::string> new_dirs;  // relative names of the folders it made, parents first; "" the folder itself
};

struct RestoreRecord {
    enum Kind { restore, undo };
    enum State { writing, committed };
    Kind kind = restore;
    State state = writing;
    std::string archive;  // what was restored (ANSI, for the user)
    std::vector<FileMove> moves;         // done in order; taken back in reverse
    std::vector<std::string> discard;    // written or made for it: removed when it is taken back
    std::vector<std::string> cleanup;    // old copies set aside: removed once it has succeeded
    std::vector<std::string> empty_dirs;  // folders to remove once it has succeeded, if empty
    std::vector<RestoredFolder> folders;
};

std::string format_record(zip::FileSystem& fs, const RestoreRecord& record);
// False when the text is no record (or a damaged one).
bool parse_record(zip::FileSystem& fs, const std::string& text, RestoreRecord* record);

// Written under a temporary name and moved over `path`, so a record is always whole.
bool write_record(zip::FileSystem& fs, const std::string& path, const RestoreRecord& record);
bool read_record(zip::FileSystem& fs, const std::string& path, RestoreRecord* record);
