// Whole small files (records, lists, settings): read at once, written so that no half stays; and
// the folders they go into.
#include "fs/file_system.h"
#include "fs/file_names.h"

namespace fs {

bool write_file_atomically(FileSystem& fs, const std::string& path, const std::string& bytes, bool replace) {
    const std::string temp = sibling_temp_path(path);
    std::unique_ptr<OutputFile> out = fs.create_new(temp);
    bool ok = out && out->write(bytes.data(), bytes.size()) && out->close(kKeepTime, true);
    out.reset();
    ok = ok && (replace ? fs.replace(temp, path) : fs.rename(temp, path));
    if (!ok) fs.remove_file(temp);
    return ok;
}

void remove_temporaries(FileSystem& fs, const std::string& folder) {
    std::vector<DirEntry> entries;
    if (!fs.list_dir(folder, &entries)) return;
    for (const DirEntry& e : entries)
        if (!e.is_dir && is_temporary_name(e.name)) fs.remove_file(join_path(folder, e.name));
}

bool make_dirs(FileSystem& fs, const std::string& path) {
    DirEntry info;
    if (fs.stat(path, &info)) return info.is_dir;
    const std::string parent = parent_path(path);
    bool made = false;
    return (parent.empty() || parent == path || make_dirs(fs, parent)) && fs.make_dir(path, &made);
}

std::optional<std::string> read_whole_file(FileSystem& fs, const std::string& path, std::size_t limit) {
    std::unique_ptr<InputFile> in = fs.open_read(path);
    if (!in || in->size() > limit) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(in->size()), '\0');
    if (in->read_at(0, bytes.data(), bytes.size()) != static_cast<int64_t>(bytes.size())) return std::nullopt;
    return bytes;
}

}  // namespace fs
