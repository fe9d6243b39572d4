#include "sync/pending_uploads.h"

#include <algorithm>

#include "config/config_lock.h"
#include "config/ini_document.h"
#include "paths/time_text.h"

namespace syncing {

namespace {

constexpr std::size_t kMaxRecordBytes = 1 << 20;
constexpr char kPendingValue[] = "待上传";
constexpr char kBegunValue[] = "续传";

bool is_stem(const std::string& text) {
    return !text.empty() && format_time_text(parse_time_text(text)) == text;
}

// The keys of a section as they stand in the text, in order: the document gives values by name only.
std::vector<std::string> keys_of(const ini::Document& doc, const std::string& section,
                                 const std::string& text) {
    std::vector<std::string> keys;
    bool inside = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') inside = line == "[" + section + "]";
        const std::size_t eq = line.find('=');
        if (inside && eq != std::string::npos && is_stem(line.substr(0, eq)) &&
            (doc.value(section, line.substr(0, eq)) == kPendingValue ||
             doc.value(section, line.substr(0, eq)) == kBegunValue) &&
            std::find(keys.begin(), keys.end(), line.substr(0, eq)) == keys.end())
            keys.push_back(line.substr(0, eq));
    }
    return keys;
}

}  // namespace

std::string PendingUploads::read() {
    if (!fs_.exists(path_)) return "";
    std::optional<std::string> bytes = fs::read_whole_file(fs_, path_, kMaxRecordBytes);
    if (bytes) return *bytes;
    // Unreadable or far too big: kept for a person to look at, and a new record begins.
    const std::string aside = path_ + ".已损坏";
    if (fs_.exists(aside) || !fs_.rename(path_, aside)) fs_.replace(path_, aside);
    return "";
}

std::vector<std::string> PendingUploads::of(const std::string& project) {
    const std::string text = read();
    std::vector<std::string> stems = keys_of(ini::Document::parse(text), project, text);
    std::stable_sort(stems.begin(), stems.end(), [](const std::string& a, const std::string& b) {
        return to_seconds(parse_time_text(a)) < to_seconds(parse_time_text(b));
    });
    return stems;
}

std::vector<std::string> PendingUploads::projects() {
    const std::string text = read();
    const ini::Document doc = ini::Document::parse(text);
    std::vector<std::string> names;
    for (const std::string& name : doc.section_names())
        if (!name.empty() && !keys_of(doc, name, text).empty() &&
            std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    return names;
}

bool PendingUploads::add(const std::string& project, const std::string& stem) {
    return change(project, stem, kPendingValue);
}
bool PendingUploads::remove(const std::string& project, const std::string& stem) {
    return change(project, stem, nullptr);
}
bool PendingUploads::mark_begun(const std::string& project, const std::string& stem) {
    return change(project, stem, kBegunValue);
}

bool PendingUploads::any_begun(const std::string& project) {
    const std::string text = read();
    const ini::Document doc = ini::Document::parse(text);
    for (const std::string& stem : keys_of(doc, project, text))
        if (doc.value(project, stem) == kBegunValue) return true;
    return false;
}

bool PendingUploads::change(const std::string& project, const std::string& stem, const char* value) {
    if (!is_stem(stem) || project.empty()) return false;
    // A backup's worker adds while the sync worker (or a run of the command line) removes.
    ConfigFilesLock lock;
    ini::Document doc = ini::Document::parse(read());
    if (value == kPendingValue && doc.value(project, stem) == kBegunValue) return true;  // keeps the mark
    const bool changed = value ? doc.set(project, stem, value) : doc.remove_key(project, stem);
    if (!changed) return true;
    if (!value && keys_of(doc, project, doc.text()).empty()) doc.remove_section(project);
    return fs::write_file_atomically(fs_, path_, doc.text());
}

}  // namespace syncing
