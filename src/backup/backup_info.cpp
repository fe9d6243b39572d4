#include "backup/backup_info.h"

#include "config/ini_file.h"
#include "fs/file_names.h"

namespace backup {

namespace {
const char* const kFile = FS_NAME("备份信息.ini");
const char* const kKindKey = "类型";
const char* const kNoteKey = "备注";
const char* const kKeptKey = "保留";
const char* const kDamagedKey = "损坏";
constexpr std::size_t kMaxFile = 16u << 20;
}  // namespace

BackupInfo::BackupInfo(fs::FileSystem& fs, std::string backup_folder) : fs_(fs), folder_(std::move(backup_folder)) {}

std::string BackupInfo::file() const { return fs::join_path(folder_, kFile); }

const ini::Document& BackupInfo::document() const {
    if (!doc_) {
        const std::string path = file();
        std::optional<std::string> bytes = fs::read_whole_file(fs_, path, kMaxFile);
        unreadable_ = !bytes && fs_.exists(path);
        doc_ = ini::Document::parse(bytes.value_or(""));
    }
    return *doc_;
}

bool BackupInfo::unreadable() const {
    document();
    return unreadable_;
}

SetInfo BackupInfo::of(const std::string& first_archive) const {
    const ini::Document& doc = document();
    SetInfo info;
    const std::string kind = doc.value(first_archive, kKindKey).value_or("");
    if (!kind.empty()) info.kind = kind;
    info.note = doc.value(first_archive, kNoteKey).value_or("");
    info.kept = doc.value(first_archive, kKeptKey).value_or("") == "1";
    info.damaged = doc.value(first_archive, kDamagedKey).value_or("");
    return info;
}

bool BackupInfo::set_value(const std::string& first_archive, const char* key, const std::string& value) {
    doc_.reset();
    return ini::update(fs_, file(), [&](ini::Document& doc) {
        return value.empty() ? doc.remove_key(first_archive, key) : doc.set(first_archive, key, value);
    });
}

bool BackupInfo::set_kind(const std::string& first_archive, const std::string& kind) {
    return set_value(first_archive, kKindKey, kind);
}

// A note is one line of the INI file: line breaks become blanks.
bool BackupInfo::set_note(const std::string& first_archive, const std::string& note) {
    std::string line = note;
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    return set_value(first_archive, kNoteKey, line);
}

bool BackupInfo::set_kept(const std::string& first_archive, bool kept) {
    return set_value(first_archive, kKeptKey, kept ? "1" : "");
}

bool BackupInfo::set_damaged(const std::string& first_archive, const std::string& what) {
    std::string line = what;
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    return set_value(first_archive, kDamagedKey, line);
}

bool BackupInfo::forget(const std::vector<std::string>& first_archives) {
    if (first_archives.empty()) return true;
    if (!fs_.exists(file())) return true;
    doc_.reset();
    return ini::update(fs_, file(), [&](ini::Document& doc) {
        bool changed = false;
        for (const std::string& name : first_archives)
            while (doc.remove_section(name)) changed = true;
        return changed;
    });
}

}  // namespace backup
