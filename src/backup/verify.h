#pragma once
// 校验: every archive of a set read back from the disk (not from what the system keeps in memory),
// every entry decoded and checked against its CRC-32 and size, as a restore weeks later would read
// it. Nothing is written but the mark of a damaged set in 备份信息.ini, kept until the set reads
// sound again.
#include <cstdint>
#include <string>
#include <vector>

#include "backup/history.h"
#include "fs/file_system.h"

namespace backup {

// What is wrong with one archive of a set; texts in the ANSI code page.
struct Damage {
    std::string archive;  // its file name
    std::string entry;    // the entry; "" when the archive as a whole cannot be read
    std::string reason;
};

struct SetVerdict {
    std::string stem;  // the set's time text
    std::vector<Damage> damage;
    uint64_t bytes_read = 0;  // of the archives, from the disk
    int entries = 0;          // decoded and checked
    bool sound() const { return damage.empty(); }
};

// Reads every archive the set has (a companion never written, for a save folder that was missing,
// is no damage), decoding entries on up to `threads` threads (0: one per core).
SetVerdict verify_set(fs::FileSystem& fs, const ArchiveSet& set, unsigned threads = 0);

// "完好", or "已损坏：" and each damage as "archive：entry：reason", joined with "；".
std::string verdict_text(const SetVerdict& verdict);

// "<time>（<kind>）：" and the verdict's text: one set, as the log and 存档历史 show it.
std::string verdict_line(const HistoryRow& row, const SetVerdict& verdict);

// Marks the row's set damaged with the verdict's text, or clears the mark of a sound set; writes
// only when the mark changes. False when it could not be written.
bool keep_verdict(fs::FileSystem& fs, const HistoryRow& row, const SetVerdict& verdict);

}  // namespace backup
