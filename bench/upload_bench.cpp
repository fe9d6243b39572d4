// Uploads one set the way the program does (CRC of each archive, temporary name, MOVE, size check,
// then the metadata) to a WebDAV server, and prints how long that took, without Wine's start-up.
//   upload_bench.exe <address> <user> <password> <folder of the set> <time text of the set>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "backup/sets.h"
#include "run/sync_service.h"
#include "sync/winhttp_transport.h"

// With VARNOKE_BENCH_TRACE set, each request's method, status and milliseconds go to stderr.
struct TracingTransport : syncing::HttpTransport {
    std::unique_ptr<syncing::HttpTransport> inner;
    explicit TracingTransport(std::unique_ptr<syncing::HttpTransport> t) : inner(std::move(t)) {}
    syncing::HttpResponse send(const syncing::HttpRequest& r, uint64_t limit, fs::OutputFile* download) override {
        const auto start = std::chrono::steady_clock::now();
        syncing::HttpResponse response = inner->send(r, limit, download);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::fprintf(stderr, "%-8s %3d %8.1f ms %s\n", r.method.c_str(), response.status, ms, r.path.c_str());
        return response;
    }
};

int main(int argc, char** argv) {
    if (argc != 6) return std::fprintf(stderr, "usage: upload_bench address user password folder stem\n"), 2;
    fs::FileSystem& disk = fs::platform_file_system();
    const std::string folder = fs::path_of(argv[4]);
    std::vector<syncing::LocalSet> sets = local_sets(disk, folder);
    std::string reason;
    auto remote = syncing::open_remote(disk, {argv[1], argv[2], argv[3]},
                                       [](const syncing::ServerAddress& a, std::string* r) {
                                           auto t = syncing::make_winhttp_transport(a, {}, r);
                                           if (!t || !std::getenv("VARNOKE_BENCH_TRACE")) return t;
                                           return std::unique_ptr<syncing::HttpTransport>(
                                               new TracingTransport(std::move(t)));
                                       },
                                       &reason);
    if (!remote) return std::fprintf(stderr, "%s\n", reason.c_str()), 1;
    syncing::PendingUploads pending(disk, folder + "/pending.ini");
    pending.add("bench", argv[5]);
    syncing::SyncCore core(*remote, disk, pending, {"bench-machine", "bench"});
    const auto start = std::chrono::steady_clock::now();
    const syncing::SyncResult result = core.upload_pending("bench", sets);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (result.uploaded.size() != 1) {
        std::fprintf(stderr, "not uploaded: %s\n",
                     result.failed.empty() ? result.listing.reason.c_str() : result.failed[0].second.reason.c_str());
        return 1;
    }
    std::printf("seconds=%.3f\n", seconds);
    return 0;
}
