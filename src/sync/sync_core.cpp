#include "sync/sync_core.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "fs/file_names.h"
#include "paths/time_text.h"

namespace syncing {

namespace {

constexpr int64_t kTemporaryAge = 24 * 3600;  // older temporaries belong to tries that ended

struct TextInput : fs::InputFile {
    explicit TextInput(std::string t) : text(std::move(t)) {}
    uint64_t size() override { return text.size(); }
    int64_t read_at(uint64_t offset, void* buffer, std::size_t n) override {
        if (offset >= text.size()) return 0;
        n = std::min<std::size_t>(n, text.size() - offset);
        std::memcpy(buffer, text.data() + offset, n);
        return static_cast<int64_t>(n);
    }
    std::string text;
};

struct TextOutput : fs::OutputFile {
    bool write(const void* data, std::size_t n) override {
        return text.append(static_cast<const char*>(data), n), true;
    }
    bool write_at(uint64_t, const void*, std::size_t) override { return false; }
    bool close(int64_t, bool) override { return true; }
    std::string text;
};

std::optional<uint32_t> crc_of(fs::InputFile& in) {
    std::vector<char> buffer(1 << 20);
    uint32_t crc = 0;
    for (uint64_t at = 0, size = in.size(); at < size;) {
        const int64_t got = in.read_at(at, buffer.data(), buffer.size());
        if (got <= 0) return std::nullopt;
        crc = libdeflate_crc32(crc, buffer.data(), static_cast<std::size_t>(got));
        at += static_cast<uint64_t>(got);
    }
    return crc;
}

// Passes the upload's reads through and folds the bytes into a CRC while they come in order, so
// one read of an archive serves both its upload and its metadata. A retry that reads from the
// start again is passed over until it reaches new bytes; a gap stops the fold, and a pass of its
// own computes the CRC then.
struct CrcReader : fs::InputFile {
    explicit CrcReader(fs::InputFile& f) : in(f) {}
    uint64_t size() override { return in.size(); }
    int64_t read_at(uint64_t offset, void* buffer, std::size_t n) override {
        const int64_t got = in.read_at(offset, buffer, n);
        if (got <= 0 || offset > folded || offset + static_cast<uint64_t>(got) <= folded) return got;
        const uint64_t skip = folded - offset;
        crc = libdeflate_crc32(crc, static_cast<const char*>(buffer) + skip, static_cast<std::size_t>(got) - skip);
        folded = offset + static_cast<uint64_t>(got);
        return got;
    }
    std::optional<uint32_t> result() { return folded == in.size() ? std::optional<uint32_t>(crc) : std::nullopt; }
    fs::InputFile& in;
    uint32_t crc = 0;
    uint64_t folded = 0;
};

const RemoteFile* listed(const Listing& listing, const std::string& name) {
    for (const RemoteFile& f : listing.files)
        if (f.name == name) return &f;
    return nullptr;
}

// Failures that every further request would meet too: the run stops instead of spending requests.
bool ends_run(const Outcome& o) {
    return o.failure == Failure::unreachable || o.failure == Failure::certificate ||
           o.failure == Failure::credentials || o.failure == Failure::throttled ||
           o.failure == Failure::folder;
}

}  // namespace

SyncCore::SyncCore(Remote& remote, fs::FileSystem& fs, PendingUploads& pending, Machine machine,
                   std::function<int64_t()> wall_seconds, std::shared_ptr<MetadataCache> cache)
    : remote_(remote),
      fs_(fs),
      pending_(pending),
      machine_(std::move(machine)),
      tag_(machine_tag(machine_.id)),
      wall_seconds_(wall_seconds ? std::move(wall_seconds)
                                 : [] { return static_cast<int64_t>(std::time(nullptr)); }),
      metadata_cache_(cache ? std::move(cache) : std::make_shared<MetadataCache>()) {}

SyncResult SyncCore::upload_pending(const std::string& project, const std::vector<LocalSet>& local) {
    SyncResult result;
    const std::vector<std::string> stems = pending_.of(project);
    if (stems.empty()) return result;
    const std::string folder = fs::path_of(project);
    Listing listing;
    // The folder is listed only when an earlier try may have published part of a set; a folder
    // made just now holds nothing. Old temporaries are also removed wherever the folder is listed.
    bool made = false;
    const bool resuming = pending_.any_begun(project);
    if (!(result.listing = remote_.make_project_folder(folder, &made)) ||
        (!made && resuming && !(result.listing = remote_.list(folder, &listing))))
        return result;
    remove_old_temporaries(folder, listing);
    for (const std::string& stem : stems) {
        auto set =
            std::find_if(local.begin(), local.end(), [&](const LocalSet& s) { return s.stem == stem; });
        // Gone here before its upload, or without the first archive, where every restore starts.
        if (set == local.end() || std::none_of(set->archives.begin(), set->archives.end(),
                                               [](const LocalArchive& a) { return a.number == 1; })) {
            pending_.remove(project, stem);
            result.dropped.push_back(stem);
            continue;
        }
        pending_.mark_begun(project, stem);  // unwritten, a later try only uploads again what is there
        Outcome outcome = upload_set(folder, *set, listing);
        if (outcome && pending_.remove(project, stem))
            result.uploaded.push_back(stem);
        else
            result.failed.emplace_back(stem, outcome ? fail(Failure::local, "待上传记录无法写入") : outcome);
        if (ends_run(outcome)) break;
    }
    return result;
}

Outcome SyncCore::upload_set(const std::string& folder, const LocalSet& set, const Listing& listing) {
    const std::string stem = remote_stem(set.stem, tag_);
    SetMetadata metadata{machine_.id, machine_.computer_name, set.kind, set.note, set.stem, {}};
    for (const LocalArchive& archive : set.archives) {
        std::unique_ptr<fs::InputFile> in = fs_.open_read(archive.path);
        if (!in) return fail(Failure::local, "无法读取 " + fs::shown(archive.path));
        CrcReader reader(*in);
        if (&archive == &set.archives.back()) remote_.small_upload_follows();  // the metadata
        Outcome sent = upload_file(folder, archive_name(stem, archive.number), reader, listing);
        if (!sent) return sent;
        std::optional<uint32_t> crc = reader.result();
        if (!crc) crc = crc_of(*in);  // published by an earlier try, or read out of order
        if (!crc) return fail(Failure::local, "无法读取 " + fs::shown(archive.path));
        metadata.archives.push_back({archive.number, in->size(), *crc});
    }
    std::sort(metadata.archives.begin(), metadata.archives.end(),
              [](const ArchiveInfo& a, const ArchiveInfo& b) { return a.number < b.number; });
    TextInput text(format_metadata(metadata));
    return upload_file(folder, metadata_name(stem), text, listing);
}

Outcome SyncCore::upload_file(const std::string& folder, const std::string& name, fs::InputFile& source,
                              const Listing& listing) {
    const RemoteFile* there = listed(listing, name);
    if (there && there->size == source.size()) return {};  // published by an earlier try
    Outcome sent = remote_.upload(folder, name, source);
    if (!sent) sent.reason = "上传 " + fs::shown_name(name) + "：" + sent.reason;
    return sent;
}

std::optional<SetMetadata> SyncCore::read_metadata(const std::string& folder, const RemoteFile& file) {
    const std::string key = folder + "/" + file.name;
    {
        std::lock_guard<std::mutex> lock(metadata_cache_->mutex);
        auto cached = metadata_cache_->known.find(key);
        if (cached != metadata_cache_->known.end()) return cached->second;
    }
    TextOutput sink;
    std::string reason;
    if (!remote_.download(folder, file.name, kMaxMetadataBytes, sink)) return std::nullopt;
    std::optional<SetMetadata> metadata = parse_metadata(sink.text, &reason);
    if (metadata) {
        std::lock_guard<std::mutex> lock(metadata_cache_->mutex);
        metadata_cache_->known[key] = *metadata;
    }
    return metadata;
}

void SyncCore::remove_old_temporaries(const std::string& folder, const Listing& listing) {
    for (const RemoteFile& f : listing.files)
        if (fs::is_temporary_name(f.name) && f.mtime > 0 && wall_seconds_() - f.mtime > kTemporaryAge)
            remote_.remove_temporary(folder, f.name);
}

std::vector<SetPlace> SyncCore::sets_beside(const std::string& project, const std::vector<LocalSet>& local,
                                            Outcome* outcome, bool* maybe_partial) {
    const std::string folder = fs::path_of(project);
    Listing listing;
    *outcome = remote_.list(folder, &listing);
    if (*outcome) remove_old_temporaries(folder, listing);
    RemoteView view = view_of(listing, [&](const RemoteFile& f) { return read_metadata(folder, f); });
    *maybe_partial = view.maybe_partial;
    std::vector<SetPlace> places;
    for (const LocalSet& set : local) places.push_back({set.stem, &set, std::nullopt});
    // A local set pairs with the remote set of the same time made here, or else with the only
    // remote set of that time (a set fetched from another machine keeps its time).
    auto pair_with = [&](const RemoteSet& r) -> SetPlace* {
        SetPlace* only = nullptr;
        int count = 0;
        for (const RemoteSet& other : view.whole) count += other.metadata.time_text == r.metadata.time_text;
        for (SetPlace& p : places)
            if (p.local && !p.remote && p.stem == r.metadata.time_text) only = &p;
        return only && (machine_tag(r.metadata.machine_id) == tag_ || count == 1) ? only : nullptr;
    };
    for (const RemoteSet& r : view.whole) {
        SetPlace* place = pair_with(r);
        if (place)
            place->remote = r;
        else
            places.push_back({r.metadata.time_text, nullptr, r});
    }
    std::stable_sort(places.begin(), places.end(), [](const SetPlace& a, const SetPlace& b) {
        return to_seconds(parse_time_text(a.stem)) > to_seconds(parse_time_text(b.stem));
    });
    return places;
}

}  // namespace syncing
