#include "backup/restore_transaction.h"

#include "backup/zip/names.h"

namespace {

bool exists(zip::FileSystem& fs, const std::string& path) {
    zip::DirEntry info;
    return fs.stat(path, &info);
}

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

void remove_path(zip::FileSystem& fs, const std::string& path) {
    zip::DirEntry info;
    if (!fs.stat(path, &info)) return;
    if (info.is_dir)
        remove_tree(fs, path);
    else
        fs.remove_file(path);
}

}  // namespace

std::string commit_moves(zip::FileSystem& fs, const RestoreRecord& record) {
    for (const FileMove& m : record.moves) {
        if (fs.replace(m.from, m.to)) continue;
        take_back(fs, record);
        return "无法替换文件（可能正被其他程序使用）：" + fs.to_ansi(m.to);
    }
    return "";
}

void take_back(zip::FileSystem& fs, const RestoreRecord& record) {
    for (auto m = record.moves.rbegin(); m != record.moves.rend(); ++m)
        if (exists(fs, m->to) && !exists(fs, m->from)) fs.replace(m->to, m->from);
    for (const std::string& p : record.discard) remove_path(fs, p);
    for (const RestoredFolder& f : record.folders) sweep_temporaries(fs, f.folder);
}

void finish(zip::FileSystem& fs, const RestoreRecord& record) {
    for (const FileMove& m : record.moves)
        if (!m.attributes_of.empty() && exists(fs, m.attributes_of)) fs.copy_attributes(m.attributes_of, m.to);
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
