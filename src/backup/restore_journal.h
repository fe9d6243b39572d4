#pragma once
// The journal of a restore (or of the undo of one), kept beside its safety copy: the save folders
// it writes into, the renames that put the new files in place, in order, so that a restore that
// fails or is ended by force can be taken back move by move; and, once it has succeeded, what it
// replaced and created, so that it can be undone later ("上次恢复.txt" is the same text).
// Written as GBK text; paths GBK cannot spell are kept escaped.
//
// The journal and the undo record live in a folder others may write (a shared drive, a synced
// folder): every path read back is checked to lie inside the project's own folders before
// anything acts on it.
#include <string>
#include <vector>

#include "fs/file_system.h"

namespace backup {

struct FileMove {
    std::string from, to;
    std::string attributes_of;  // a file whose attributes (read-only …) the moved one takes on; may be ""
    bool optional = false;      // the source may be gone by then (a file the user deleted since)
    bool follows = false;       // done only after the move before it (not kept in the journal)
};

// A file the restore replaced: its name in the folder ('/') and its time and attributes then.
struct ReplacedFile {
    std::string relative;
    fs::FileState state;
    bool operator==(const ReplacedFile& o) const {
        return relative == o.relative && state.time == o.state.time && state.attributes == o.state.attributes;
    }
};

// One save folder of the set, for the undo.
struct RestoredFolder {
    int k = 1;
    std::string folder;
    std::string safety_copy;  // its copy from before the restore; "" when the folder did not exist
    std::vector<ReplacedFile> replaced;
    std::vector<std::string> created;   // relative names of the files it added
    std::vector<std::string> new_dirs;  // folders it made, parents first
};

struct RestoreJournal {
    enum Kind { restore, undo };
    enum State { writing, committed };
    Kind kind = restore;
    State state = writing;
    bool whole = true;    // read back to its end; a journal cut short holds only its complete lines
    std::string archive;  // what was restored
    std::vector<RestoredFolder> folders;
    std::vector<FileMove> moves;          // done in order; taken back in reverse
    std::vector<std::string> discard;     // written or made for it: removed when it is taken back
    std::vector<std::string> cleanup;     // old copies set aside: removed once it has succeeded
    std::vector<std::string> empty_dirs;  // folders to remove once it has succeeded, if empty
};

std::string format_journal(const RestoreJournal& journal);
// False when the text is no journal or a damaged one. A text cut short (no end line) is read up to
// its last complete line, with `whole` false.
bool parse_journal(const std::string& text, RestoreJournal* journal);

// Written under a temporary name, flushed and moved over `path`, so a journal is always whole.
bool write_journal(fs::FileSystem& fs, const std::string& path, const RestoreJournal& journal);
// unreadable: it is there but could not be read now (a drive gone, a read error): try again later.
enum class JournalRead { missing, ok, damaged, unreadable };
JournalRead read_journal(fs::FileSystem& fs, const std::string& path, RestoreJournal* journal);

// The folders a project's journal may act in: its current save folders (file-system paths) and
// its safety-copy folder. Everything a journal names must lie inside them; the paths that do not
// are returned (an empty list: the journal may be carried out).
std::vector<std::string> paths_outside(const RestoreJournal& journal, const std::vector<std::string>& save_folders,
                                       const std::string& safety_folder);

}  // namespace backup
