// The safety copy of a restore: named before anything is written, packed from the files the swap
// set aside (only what the restore replaced), and the newest few kept.
#include <chrono>
#include <thread>

#include "backup/restore_internal.h"
#include "backup/sets.h"
#include "backup/zip/pack_files.h"
#include "paths/time_text.h"

namespace backup {

namespace restore_internal {

namespace {

// A name for this moment's safety copy that no earlier one has: two restores in one second wait.
std::string fresh_copy_name(const Project& p) {
    for (int tries = 0;; ++tries) {
        std::string name = fs::join_path(p.safety, set_file_name(current_time_text()));
        if (!p.fs.exists(name) || tries >= 20) return name;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

// A copy is kept only a few restores: it is made quickly. A big one is stored as it is: deflating
// it, even at the fastest level, would take longer than the whole restore.
constexpr int kSafetyCopyLevel = 1;
constexpr uint64_t kStoredCopyAbove = 64ull << 20;

int safety_copy_level(const std::vector<zip::SourceEntry>& files) {
    uint64_t total = 0;
    for (const zip::SourceEntry& f : files) total += f.size;
    return total > kStoredCopyAbove ? 0 : kSafetyCopyLevel;
}

}  // namespace

// The copy kept of save folder k before the restore, if it has one.
std::string copy_of(const Attempt& a, int k) {
    for (const std::string& copy : a.copies)
        if (copy == archive_name(a.result.safety_copy, k)) return copy;
    return "";
}

// Names the safety copy of every save folder that the set writes into and that exists; what goes
// into it is known only once the archives are staged.
void plan_safety_copy(const Project& p, Attempt& a) {
    const std::string first = fresh_copy_name(p);
    for (const ArchiveResult& r : a.result.archives) {
        if (r.status != ArchiveResult::done || !p.fs.is_folder(r.folder)) continue;
        a.copies.push_back(archive_name(first, r.k));
        if (a.result.safety_copy.empty()) a.result.safety_copy = first;
    }
}

// Packs the files set aside by the swap into the safety copy: only what the restore replaced, since
// the files it does not touch never change and those it adds are its own.
bool pack_safety_copy(const Project& p, const RestoreEvents& events, Attempt& a) {
    zip::Options options;
    options.fs = &p.fs;
    options.threads = events.threads;
    for (const ArchiveResult& r : a.result.archives) {
        const std::string copy = r.status == ArchiveResult::done ? copy_of(a, r.k) : "";
        if (copy.empty()) continue;
        options.level = safety_copy_level(a.replaced[r.k]);
        zip::Result z = zip::compress_files(p.fs, a.replaced[r.k], copy, [&](const zip::Progress& pr) {
            if (events.progress) events.progress(0, pr);
        }, options);
        if (!z.ok) {
            a.result.failure = "无法保存原存档，恢复已取消：" + z.error;
            return false;
        }
    }
    return true;
}

// Safety copies are sets by their own rule: one of a restore whose first save folder was missing
// holds only companions, and it is whole.
void keep_newest_copies(const Project& p) {
    const std::vector<ArchiveSet> copies = list_sets(p.fs, p.safety, {false, true});
    for (std::size_t i = restore_files::kSafetyCopiesKept; i < copies.size(); ++i)
        for (const std::string& path : copies[i].paths()) p.fs.remove_file(path);
}

}  // namespace restore_internal

}  // namespace backup
