#include "run/sync_service.h"

#include <libdeflate.h>

#include <algorithm>

#include "backup/backup_info.h"
#include "backup/sets.h"
#include "config/config_lock.h"
#include "config/machine_list.h"
#include "config/names.h"
#include "paths/time_text.h"
#include "sync/pending_uploads.h"
#include "sync/shared_by_key.h"

std::string SyncSetup::pending_path() const {
    return tool.config_dir() + "/" + names::kPendingUploadsPrefix + fs::path_of(machine.id) + ".ini";
}

syncing::PasswordPlace SyncSetup::password_place() const {
    return {tool.system_config_path(), names::kSyncPasswordSection, machine.id};
}

syncing::RemoteSettings read_sync_settings(const SyncSetup& setup) {
    syncing::RemoteSettings s;
    s.address = read_machine_setting(*setup.fs, setup.tool, names::kSyncAddressSection, setup.machine.id);
    s.user = fs::path_of(read_machine_setting(*setup.fs, setup.tool, names::kSyncUserSection, setup.machine.id));
    if (setup.protector)
        s.password = load_password(*setup.fs, *setup.protector, setup.password_place()).value_or("");
    return s;
}

bool write_sync_settings(const SyncSetup& setup, const syncing::RemoteSettings& s) {
    bool ok = write_machine_setting(*setup.fs, setup.tool, names::kSyncAddressSection, setup.machine.id, s.address);
    ok &= write_machine_setting(*setup.fs, setup.tool, names::kSyncUserSection, setup.machine.id, fs::shown(s.user));
    if (!s.password.empty())
        ok &= setup.protector && save_password(*setup.fs, *setup.protector, setup.password_place(), s.password);
    return ok;
}

bool sync_configured(const SyncSetup& setup) {
    return !read_machine_setting(*setup.fs, setup.tool, names::kSyncAddressSection, setup.machine.id).empty();
}

std::string test_connection(const SyncSetup& setup, const syncing::RemoteSettings& settings) {
    std::string reason;
    std::unique_ptr<syncing::Remote> remote = open_remote(*setup.fs, settings, setup.transport, &reason);
    if (!remote) return reason;
    return remote->check().reason;
}

bool written_whole(const backup::Outcome& outcome) {
    if (outcome.first_done.empty()) return false;
    return std::all_of(outcome.archives.begin(), outcome.archives.end(), [](const backup::ArchiveResult& a) {
        return a.status == backup::ArchiveResult::done || a.status == backup::ArchiveResult::folder_missing;
    });
}

bool note_written_set(const SyncSetup& setup, const ProjectOptions& options, const std::string& project,
                      const backup::Outcome& outcome) {
    if (!options.sync || !written_whole(outcome)) return false;
    const std::string key = backup::set_key(outcome.first_done);
    syncing::PendingUploads pending(*setup.fs, setup.pending_path());
    return pending.add(project, key.substr(0, key.size() - 4));  // less ".zip"
}

std::vector<syncing::LocalSet> local_sets(fs::FileSystem& fs, const std::string& backup_folder) {
    std::vector<syncing::LocalSet> sets;
    backup::BackupInfo info(fs, backup_folder);
    for (const backup::ArchiveSet& set : backup::list_sets(fs, backup_folder)) {
        syncing::LocalSet local{set.stem, {}, "", ""};
        for (size_t i = 0; i < set.numbers.size(); ++i)
            local.archives.push_back({set.numbers[i], set.folder + "/" + set.names[i], set.sizes[i]});
        const backup::SetInfo known = info.of(set.key());
        local.kind = known.kind;
        local.note = known.note;
        sets.push_back(std::move(local));
    }
    return sets;
}

namespace {

// The remote, telling each file as it starts to go up.
class TellingRemote : public syncing::Remote {
   public:
    TellingRemote(syncing::Remote& r, SyncProgress progress) : r_(r), progress_(std::move(progress)) {}
    syncing::Outcome check() override { return r_.check(); }
    syncing::Outcome make_project_folder(const std::string& p, bool* made) override {
        return r_.make_project_folder(p, made);
    }
    syncing::Outcome list(const std::string& p, syncing::Listing* l) override { return r_.list(p, l); }
    syncing::Outcome size_of(const std::string& p, const std::string& n, uint64_t* s) override {
        return r_.size_of(p, n, s);
    }
    syncing::Outcome upload(const std::string& p, const std::string& n, fs::InputFile& source) override {
        if (progress_) progress_(fs::shown_name(p), fs::shown_name(n));
        return r_.upload(p, n, source);
    }
    void small_upload_follows() override { r_.small_upload_follows(); }
    syncing::Outcome download(const std::string& p, const std::string& n, uint64_t limit,
                              fs::OutputFile& sink) override {
        return r_.download(p, n, limit, sink);
    }
    syncing::Outcome remove_temporary(const std::string& p, const std::string& n) override {
        return r_.remove_temporary(p, n);
    }

   private:
    syncing::Remote& r_;
    SyncProgress progress_;
};

// The settings are read (and the password unsealed) by the caller, once per call.
std::unique_ptr<syncing::Remote> open_configured(const SyncSetup& setup, const syncing::RemoteSettings& settings,
                                                 std::string* reason) {
    if (settings.address.empty()) return *reason = "没有设置同步服务器", nullptr;
    return open_remote(*setup.fs, settings, setup.transport, reason);
}

void report_project(const std::string& project, const syncing::SyncResult& s, SyncReport& r) {
    for (const std::string& stem : s.uploaded) r.log_lines.push_back(project + "：" + stem + " 已上传到服务器");
    for (const auto& [stem, why] : s.failed)
        r.log_lines.push_back(project + "：" + stem + " 未能上传：" + why.reason + "（稍后重试）");
    for (const std::string& stem : s.dropped)
        r.log_lines.push_back(project + "：" + stem + " 本机已没有这个备份，不再上传");
    r.uploaded += static_cast<int>(s.uploaded.size());
    r.failed += static_cast<int>(s.failed.size());
}

std::string summary_of(const SyncReport& r) {
    if (r.refused) return r.log_lines.empty() ? "" : r.log_lines.front();
    if (r.failed == 0) return "已上传 " + std::to_string(r.uploaded) + " 个备份到服务器";
    return std::to_string(r.failed) + " 个备份未能上传到服务器，稍后重试" +
           (r.uploaded ? "（已上传 " + std::to_string(r.uploaded) + " 个）" : "");
}

}  // namespace

SyncReport upload_pending_sets(const SyncSetup& setup, const ProjectFiles& list, const std::string& only,
                               const SyncProgress& progress) {
    SyncReport r;
    syncing::PendingUploads pending(*setup.fs, setup.pending_path());
    std::vector<std::string> projects;
    for (const std::string& p : pending.projects())
        if ((only.empty() || same_project(p, only)) && read_project_options(list, p).sync) projects.push_back(p);
    if (projects.empty()) return r;
    std::string reason;
    std::unique_ptr<syncing::Remote> remote = open_configured(setup, read_sync_settings(setup), &reason);
    if (!remote) {
        r.refused = true;
        r.log_lines.push_back("同步：" + reason + "，待上传的备份留待下次");
        r.summary = summary_of(r);
        return r;
    }
    TellingRemote telling(*remote, progress);
    syncing::SyncCore core(telling, *setup.fs, pending, setup.machine);
    for (const std::string& project : projects) {
        const std::vector<syncing::LocalSet> local = local_sets(*setup.fs, project_folder(list.backup_root, project));
        const syncing::SyncResult s = core.upload_pending(project, local);
        if (!s.listing) {
            const size_t waiting = pending.of(project).size();
            r.failed += static_cast<int>(waiting);
            r.log_lines.push_back(project + "：无法同步：" + s.listing.reason + "（" + std::to_string(waiting) +
                                  " 个备份留待下次）");
            continue;
        }
        report_project(project, s, r);
    }
    r.summary = summary_of(r);
    return r;
}

std::string place_text(const ServerSet& set) {
    std::string text = set.here && set.there ? "两处" : set.there ? "服务器" : "本机";
    return set.machine.empty() ? text : text + "（" + set.machine + "）";
}

ServerListing list_server_sets(const SyncSetup& setup, const std::string& project, const std::string& backup_folder) {
    ServerListing listing;
    const syncing::RemoteSettings settings = read_sync_settings(setup);
    std::unique_ptr<syncing::Remote> remote = open_configured(setup, settings, &listing.problem);
    if (!remote) return listing;
    syncing::PendingUploads pending(*setup.fs, setup.pending_path());
    // Per server address, for the life of the process.
    syncing::SyncCore core(*remote, *setup.fs, pending, setup.machine, nullptr,
                           syncing::shared_by_key<syncing::MetadataCache>(settings.address));
    const std::vector<syncing::LocalSet> local = local_sets(*setup.fs, backup_folder);
    syncing::Outcome outcome;
    const std::vector<syncing::SetPlace> places = core.sets_beside(project, local, &outcome, &listing.maybe_partial);
    if (!outcome) listing.problem = outcome.reason;
    const std::string tag = syncing::machine_tag(setup.machine.id);
    for (const syncing::SetPlace& p : places) {
        ServerSet set{p.stem, p.local != nullptr, p.remote.has_value(), "", {}};
        if (p.remote) {
            set.remote = *p.remote;
            if (syncing::machine_tag(p.remote->metadata.machine_id) != tag)
                set.machine = p.remote->metadata.computer_name.empty() ? "另一台电脑"
                                                                        : p.remote->metadata.computer_name;
        }
        listing.sets.push_back(std::move(set));
    }
    return listing;
}

namespace {

// Writes through to the file and counts what went by.
struct CheckedOutput : fs::OutputFile {
    explicit CheckedOutput(std::unique_ptr<fs::OutputFile> f) : file(std::move(f)) {}
    bool write(const void* data, std::size_t n) override {
        crc = libdeflate_crc32(crc, data, n);
        size += n;
        return file->write(data, n);
    }
    bool write_at(uint64_t, const void*, std::size_t) override { return false; }
    bool close(int64_t mtime, bool sync) override { return file->close(mtime, sync); }
    std::unique_ptr<fs::OutputFile> file;
    uint32_t crc = 0;
    uint64_t size = 0;
};

// Into a temporary beside `path`, checked against the metadata; "" with the problem otherwise.
std::string fetch_archive(fs::FileSystem& fs, syncing::Remote& remote, const std::string& project,
                          const syncing::RemoteSet& set, const syncing::ArchiveInfo& a, const std::string& path,
                          std::string* problem) {
    const std::string temp = fs::sibling_temp_path(path);
    std::unique_ptr<fs::OutputFile> out = fs.create_new(temp);
    if (!out) return *problem = "无法写入 " + fs::shown(temp), "";
    CheckedOutput checked(std::move(out));
    const syncing::Outcome got =
        remote.download(project, syncing::archive_name(set.stem, a.number), a.size, checked);
    const bool closed = checked.close(0, true);
    if (got && closed && checked.size == a.size && checked.crc == a.crc32) return temp;
    fs.remove_file(temp);
    *problem = !got ? got.reason : "下载的 " + fs::shown(path) + " 大小或校验码与服务器记录不符，已丢弃";
    return "";
}

}  // namespace

// Every archive is fetched and checked before any is published, and the first archive, which
// makes the set a set, is published last: a kill meanwhile leaves temporaries and companions
// without their first archive, which the next start sweeps, never a set that is not whole.
std::optional<std::string> fetch_server_set(const SyncSetup& setup, const std::string& project,
                                            const std::string& backup_folder, const syncing::RemoteSet& set,
                                            std::string* problem) {
    std::unique_ptr<syncing::Remote> remote = open_configured(setup, read_sync_settings(setup), problem);
    if (!remote) return std::nullopt;
    if (!fs::make_dirs(*setup.fs, backup_folder)) return *problem = "无法建立 " + fs::shown(backup_folder), std::nullopt;
    fs::FileSystem& disk = *setup.fs;
    const std::string stem = set.metadata.time_text;
    std::vector<std::pair<std::string, std::string>> fetched;  // temporary, name; archive 1 first
    for (const syncing::ArchiveInfo& a : set.metadata.archives) {
        const std::string path = backup_folder + "/" + backup::set_file_name(stem, a.number);
        const std::string temp = fetch_archive(disk, *remote, fs::path_of(project), set, a, path, problem);
        if (temp.empty()) {
            for (const auto& [done, name] : fetched) disk.remove_file(done);
            return std::nullopt;
        }
        fetched.emplace_back(temp, path);
    }
    ConfigFilesLock publishing;  // the sweep of a backup starting meanwhile waits for the whole set
    for (size_t i = fetched.size(); i-- > 0;)
        if (!disk.rename(fetched[i].first, fetched[i].second)) {
            *problem = "备份文件夹中已有 " + fs::shown(fetched[i].second) + "，未覆盖";
            for (size_t j = i + 1; j < fetched.size(); ++j) disk.remove_file(fetched[j].second);
            for (size_t j = 0; j <= i; ++j) disk.remove_file(fetched[j].first);
            return std::nullopt;
        }
    // Named in 备份信息.ini as ArchiveSet::key() names it: by text, not by the file's name.
    backup::BackupInfo info(*setup.fs, backup_folder);
    info.set_kind(stem + ".zip", set.metadata.kind);
    if (!set.metadata.note.empty()) info.set_note(stem + ".zip", set.metadata.note);
    return backup_folder + "/" + backup::set_file_name(stem);
}

NewerElsewhere newer_on_server(const SyncSetup& setup, const std::string& project, const std::string& backup_folder) {
    NewerElsewhere found;
    const ServerListing listing = list_server_sets(setup, project, backup_folder);
    found.problem = listing.problem;
    if (!found.problem.empty()) return found;
    auto seconds = [](const ServerSet& s) { return to_seconds(parse_time_text(s.stem)); };
    const ServerSet* newest_here = nullptr;  // sets are newest first
    const ServerSet* elsewhere = nullptr;
    for (const ServerSet& s : listing.sets) {
        if (s.here && !newest_here) newest_here = &s;
        if (s.there && !s.here && !s.machine.empty() && !elsewhere) elsewhere = &s;
    }
    if (!elsewhere || (newest_here && seconds(*newest_here) >= seconds(*elsewhere))) return found;
    found.newer = *elsewhere;
    // This machine's newest set never reached the server: it changed too since the last set in
    // both places.
    found.both_changed = newest_here && !newest_here->there;
    return found;
}

std::string newer_question(const NewerElsewhere& found) {
    if (!found.newer) return "";
    std::string text = "服务器上有 " + found.newer->machine + " 在 " + found.newer->stem + " 备份的存档，比本机的新。";
    if (found.both_changed)
        text += "\r\n本机和 " + found.newer->machine +
                " 在上次共有的备份之后都有改动：恢复前本机的存档会另存为恢复前副本，两边的备份都保留。";
    return text + "先恢复它再启动吗？";
}
