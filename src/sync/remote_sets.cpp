#include "sync/remote_sets.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "fs/file_names.h"
#include "paths/time_text.h"

namespace syncing {

namespace {

constexpr char kTagMark = '~';
constexpr std::size_t kTagDigits = 8;
constexpr char kMetadataExtension[] = ".txt";

bool is_tag(const std::string& text) {
    return text.size() == kTagDigits && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// The archive number of ".zip" (1) or ".zip<k>" (k from 2 on), 0 for ".txt", -1 otherwise.
int number_of_extension(const std::string& extension) {
    if (extension == kMetadataExtension) return 0;
    if (extension.compare(0, 4, ".zip") != 0) return -1;
    const std::string digits = extension.substr(4);
    if (digits.empty()) return 1;
    if (digits.size() > 2 || digits[0] == '0' || digits.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const int k = std::stoi(digits);
    return k >= 2 && k <= kMaxArchiveNumber ? k : -1;
}

bool archives_listed(const RemoteSet& set, const std::map<int, RemoteFile>& files) {
    for (const ArchiveInfo& a : set.metadata.archives) {
        auto it = files.find(a.number);
        if (it == files.end() || it->second.size != a.size) return false;
    }
    return true;
}

}  // namespace

std::string machine_tag(const std::string& machine_id) {
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(machine_id.data()), static_cast<uInt>(machine_id.size()));
    char tag[kTagDigits + 1];
    std::snprintf(tag, sizeof tag, "%08lx", static_cast<unsigned long>(crc));
    return tag;
}

std::string remote_stem(const std::string& time_text, const std::string& tag) {
    return fs::path_of(time_text) + kTagMark + tag;
}

std::string archive_name(const std::string& stem, int number) {
    return stem + ".zip" + (number == 1 ? "" : std::to_string(number));
}

std::string metadata_name(const std::string& stem) {
    return stem + kMetadataExtension;
}

std::optional<RemoteName> parse_remote_name(const std::string& name) {
    const std::size_t mark = name.rfind(kTagMark);
    if (!is_safe_name(name) || mark == std::string::npos || mark == 0) return std::nullopt;
    const std::size_t dot = name.find('.', mark);
    if (dot == std::string::npos) return std::nullopt;
    RemoteName parsed{name.substr(0, dot), fs::shown_name(name.substr(0, mark)),
                      name.substr(mark + 1, dot - mark - 1), number_of_extension(name.substr(dot))};
    if (parsed.archive < 0 || !is_tag(parsed.tag) ||
        format_time_text(parse_time_text(parsed.time_text)) != parsed.time_text)
        return std::nullopt;
    return parsed;
}

RemoteView view_of(const Listing& listing, const MetadataReader& read) {
    RemoteView view;
    view.maybe_partial = listing.maybe_partial;
    std::map<std::string, std::map<int, RemoteFile>> by_stem;
    std::map<std::string, RemoteName> name_of;
    for (const RemoteFile& f : listing.files) {
        if (fs::is_temporary_name(f.name)) view.temporaries.push_back(f);
        std::optional<RemoteName> name = parse_remote_name(f.name);
        if (!name) continue;
        by_stem[name->stem][name->archive] = f;
        name_of[name->stem] = *name;
    }
    for (auto& [stem, files] : by_stem) {
        RemoteSet set{stem, {}, {}};
        auto meta = files.find(0);
        std::optional<SetMetadata> metadata = meta == files.end() ? std::nullopt : read(meta->second);
        if (meta != files.end()) files.erase(meta);
        // The metadata must be of the set its name gives: its time, the machine of its tag.
        if (metadata && metadata->time_text == name_of[stem].time_text &&
            machine_tag(metadata->machine_id) == name_of[stem].tag)
            set.metadata = *metadata;
        if (!metadata || set.metadata.time_text.empty() || !archives_listed(set, files)) {
            view.unfinished.push_back(stem);
            continue;
        }
        for (const ArchiveInfo& a : set.metadata.archives) set.archives.push_back(files[a.number]);
        view.whole.push_back(std::move(set));
    }
    std::stable_sort(view.whole.begin(), view.whole.end(), [](const RemoteSet& a, const RemoteSet& b) {
        return to_seconds(parse_time_text(a.metadata.time_text)) >
               to_seconds(parse_time_text(b.metadata.time_text));
    });
    return view;
}

}  // namespace syncing
