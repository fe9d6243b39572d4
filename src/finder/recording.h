#pragma once
// What one session wrote: the changes the system reported under each root, kept as names only,
// and the roots whose reports were lost. At the end each name is looked at once more (the check),
// and a lost root is walked for files written since the session started (the fallback), so memory
// holds the changes only, never a listing of a whole root.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fs/file_system.h"
#include "finder/places.h"

namespace finder {

class Recording {
   public:
    static constexpr size_t kMostNames = 50000;  // names held at most before a root is rescanned

    // `started`: seconds since 1970-01-01 UTC, when the program was started.
    Recording(std::vector<Root> roots, int64_t started);

    const std::vector<Root>& roots() const { return roots_; }
    // A name below root `root` that was created, changed or renamed; `appeared` when it was
    // created or renamed in (a folder that appeared is taken whole).
    void note(size_t root, const std::string& relative, bool appeared);
    // The reports of this root were lost (or never came): it is compared by time at the end.
    void rescan(size_t root);
    bool needs_rescan(size_t root) const { return rescan_[root]; }
    size_t noted() const { return changes_.size(); }

    // The files written, as they are now; names that are gone again are dropped.
    std::vector<WrittenFile> written_files(fs::FileSystem& fs) const;

   private:
    std::vector<Root> roots_;
    int64_t started_;
    std::map<std::string, bool> changes_;  // full path → appeared
    std::vector<bool> rescan_;
};

}  // namespace finder
