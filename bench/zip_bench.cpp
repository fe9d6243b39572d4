// Times one run of the engine or of the program's own paths and prints seconds and peak memory:
//   zip_bench compress SOURCE_DIR ARCHIVE [threads [level]]
//   zip_bench extract ARCHIVE TARGET_DIR [threads]      into a new folder, staged then renamed
//   zip_bench backup SOURCE_DIR BACKUP_DIR [threads]    the program's backup of one save folder
//   zip_bench backup-excluding SOURCE_DIR BACKUP_DIR PATTERNS [threads]
//                                                       the same with 排除 set to PATTERNS
//   zip_bench verify BACKUP_DIR [threads]               校验 of every set in BACKUP_DIR
//   zip_bench restore ARCHIVE SAVE_DIR BACKUP_DIR [threads]
//                                                       the program's restore, safety copy included
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "backup/operations.h"
#include "backup/restore.h"
#include "backup/verify.h"
#include "backup/zip/zip.h"
#include "zip_support/extract_into.h"

namespace {

long peak_rss_kb() {
#ifndef _WIN32
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#else
    return 0;
#endif
}

unsigned threads_at(int argc, char** argv, int i) { return argc > i ? static_cast<unsigned>(std::atoi(argv[i])) : 0; }

// The program's backup of one save folder into BACKUP_DIR: the runner, its engine and its checks.
std::string backup(const std::string& source, const std::string& backup_dir, unsigned threads,
                   const std::string& patterns = "") {
    backup::NoProgress view;
    backup::BackupRunner runner({fs::platform_file_system(), {}, threads}, view);
    backup::Outcome o =
        runner.backup({"bench", "bench.exe", {source}, backup_dir, {}, backup::Exclusions::lenient(patterns)});
    if (o.complete()) return "";
    return o.archives.empty() ? "no archive" : o.archives.front().reason;
}

std::string restore(const std::string& archive, const std::string& save_dir, const std::string& backup_dir,
                    unsigned threads) {
    backup::RestoreEvents events;
    events.threads = threads;
    backup::RestoreSetResult r = backup::restore_with_safety_copy(fs::platform_file_system(), {archive, {save_dir}, backup_dir}, events);
    return r.changed ? "" : r.failure.empty() ? "nothing restored" : r.failure;
}

std::string verify(const std::string& backup_dir, unsigned threads) {
    fs::FileSystem& fs = fs::platform_file_system();
    for (const backup::ArchiveSet& set : backup::list_sets(fs, backup_dir)) {
        const backup::SetVerdict v = backup::verify_set(fs, set, threads);
        if (!v.sound()) return v.damage.front().archive + " " + v.damage.front().reason;
    }
    return "";
}

std::string run(int argc, char** argv) {
    const std::string mode = argv[1];
    zip::Options options;
    options.threads = threads_at(argc, argv, 4);
    if (mode == "compress") {
        if (argc > 5) options.level = std::atoi(argv[5]);
        zip::Result r = zip::compress_folder(argv[2], argv[3], {}, options);
        return r.ok ? "" : r.error;
    }
    if (mode == "extract") {
        zip::Result r = zip_test::extract_into(argv[2], argv[3], {}, options);
        return r.ok ? "" : r.error;
    }
    if (mode == "backup") return backup(argv[2], argv[3], options.threads);
    if (mode == "backup-excluding" && argc > 4) return backup(argv[2], argv[3], threads_at(argc, argv, 5), argv[4]);
    if (mode == "verify") return verify(argv[2], threads_at(argc, argv, 3));
    if (mode == "restore" && argc > 4) return restore(argv[2], argv[3], argv[4], threads_at(argc, argv, 5));
    return "unknown mode " + mode;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s compress|extract|backup FROM TO [threads] | restore ARCHIVE SAVE BACKUP\n",
                     argv[0]);
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    const std::string error = run(argc, argv);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!error.empty()) {
        std::fprintf(stderr, "failed: %s\n", error.c_str());
        return 1;
    }
    std::printf("seconds=%.3f peak_rss_kb=%ld\n", seconds, peak_rss_kb());
    return 0;
}
