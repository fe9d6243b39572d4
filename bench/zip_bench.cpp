// Times one compress or extract through the engine and prints seconds and peak memory:
//   zip_bench compress SOURCE_DIR ARCHIVE [threads]
//   zip_bench extract ARCHIVE TARGET_DIR [threads]
// A fifth argument sets the deflate level, for trying others.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "backup/zip/zip.h"

static long peak_rss_kb() {
#ifndef _WIN32
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#else
    return 0;
#endif
}

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s compress|extract FROM TO [threads]\n", argv[0]);
        return 2;
    }
    std::string mode = argv[1];
    zip::Options options;
    if (argc > 4) options.threads = static_cast<unsigned>(std::atoi(argv[4]));
    if (argc > 5) options.level = std::atoi(argv[5]);
    auto start = std::chrono::steady_clock::now();
    zip::Result r = mode == "compress" ? zip::compress_folder(argv[2], argv[3], {}, options)
                                       : zip::extract_archive(argv[2], argv[3], {}, options);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!r.ok) {
        std::fprintf(stderr, "failed: %s\n", r.error.c_str());
        return 1;
    }
    std::printf("seconds=%.3f peak_rss_kb=%ld\n", seconds, peak_rss_kb());
    return 0;
}
