#pragma once
// Where a program keeps its saves, judged from the files it wrote during one session: the written
// files are grouped by place, what is clearly no save is left out, and the places are ranked.
// Paths are ANSI (GBK) text with "\" separators and no trailing "\".
#include <cstdint>
#include <string>
#include <vector>

namespace finder {

// The folders watched during a session. Order of the enum: how likely each is to hold saves,
// least likely first.
enum class RootKind { program_folder, program_data, public_documents, local, roaming, local_low, documents, saved_games };

struct Root {
    RootKind kind;
    std::string path;
};

struct WrittenFile {
    std::string path;
    uint64_t size = 0;
    int64_t mtime = 0;  // seconds since 1970-01-01 UTC
};

// A folder offered as a save location: the deepest one holding the written files of one place.
struct Candidate {
    std::string folder;
    RootKind kind;
    int files = 0;
    int64_t last_write = 0;
};

// True for a path, relative to its root, that is clearly not a save: Windows' own folders, temp
// folders, caches of browsers and shaders, crash dumps, log and dump files.
bool is_left_out(RootKind kind, const std::string& relative);
// The same for a folder: true when nothing below it can be a save.
bool is_left_out_folder(RootKind kind, const std::string& relative);

// The root a path lies in: the deepest one, so that a program folder inside AppData counts as the
// program's. -1 when none holds it. `relative` receives the rest of the path.
int root_of(const std::vector<Root>& roots, const std::string& path, std::string* relative);

// True when `path` is `folder` or lies inside it (ASCII letters compared without case).
bool lies_in(const std::string& path, const std::string& folder);

// The candidates, best first. Files in `own_folders` (the tool's own) and files lying directly in
// a shared root (all of AppData is never one program's save) are left out.
std::vector<Candidate> rank_candidates(const std::vector<Root>& roots, const std::vector<WrittenFile>& files,
                                       const std::vector<std::string>& own_folders);

// What 排除 could leave out of `folder`, a chosen save folder, judged from the files written below
// it: the first cache, temp or crash folder on a file's way ("ShaderCache\"), else a log or dump
// file's kind ("*.log"). Each once, in the order first met; offered, never applied unasked.
std::vector<std::string> suggest_exclusions(const std::string& folder, const std::vector<WrittenFile>& files);

}  // namespace finder
