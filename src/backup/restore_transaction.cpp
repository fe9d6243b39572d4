#include "backup/restore_transaction.h"

#include "backup/zip/names.h"

namespace {

// A folder of ours with everything in it.
void remove_tree(zip::FileSystem& fs, const std::string& path) {
    std::vector<zip::DirEntry> children;
    fs.list_dir(path, &children);
    for (const zip::DirEntry& c : children) {
        const std::string child = zip::join_path(path, c.name);
        if (c.is_dir && !c.is_link)
            remove_tree(fs, child);
        else
            fs.remove_file(child);
    }
    fs.remove_dir(path);
}

std::string name_of(const std::string& path) {
    const std::string parent = zip::parent_path(path);
    return parent.empty() ? path : path.substr(parent.size() + 1);
}

// A folder under a temporary name of ours holds nothing else and goes whole; any other folder we
// made goes only while empty, since something may have been put there since.
void remove_path(zip::FileSystem& fs, const std::string& path) {
    zip::DirEntry info;
    if (!fs.stat(path, &info)) return;
    if (!info.is_dir)
        fs.remove_file(path);
    else if (zip::is_temporary_name(name_of(path)))
        remove_tree(fs, path);
    else
        fs.remove_dir(path);
}

}  // namespace

std::string commit_moves(zip::FileSystem& fs, const RestoreRecord& record) {
    for (const FileMove& m : record.moves) {
        if (fs.rename(m.from, m.to)) continue;
        const std::string& file = zip::is_temporary_name(name_of(m.from)) ? m.to : m.from;  // the save's own
        return "无法替换文件（可能正被其他程序使用）：" + fs.to_ansi(file);
    }
    return "";
}

bool take_back(zip::FileSystem& fs, const RestoreRecord& record) {
    bool whole = true;
    for (auto m = record.moves.rbegin(); m != record.moves.rend(); ++m)
        if (fs.exists(m->to) && !fs.exists(m->from)) whole = fs.rename(m->to, m->from) && whole;
    if (!whole) return false;  // what is set aside is still needed
    for (const std::string& p : record.discard) remove_path(fs, p);
    for (const RestoredFolder& f : record.folders) sweep_temporaries(fs, f.folder);
    return true;
}

void finish(zip::FileSystem& fs, const RestoreRecord& record) {
    for (const FileMove& m : record.moves)
        if (!m.attributes_of.empty() && fs.exists(m.attributes_of)) fs.copy_attributes(m.attributes_of, m.to);
    for (const std::string& p : record.cleanup) fs.remove_file(p);
    for (auto d = record.empty_dirs.rbegin(); d != record.empty_dirs.rend(); ++d) fs.remove_dir(*d);
}

void sweep_temporaries(zip::FileSystem& fs, const std::string& folder) {
    std::vector<zip::DirEntry> children;
    if (!fs.list_dir(folder, &children)) return;
    for (const zip::DirEntry& c : children) {
        const std::string child = zip::join_path(folder, c.name);
        if (zip::is_temporary_name(c.name))
            remove_path(fs, child);
        else if (c.is_dir && !c.is_link)
            sweep_temporaries(fs, child);
    }
}
