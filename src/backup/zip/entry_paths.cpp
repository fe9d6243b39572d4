#include "backup/zip/entry_paths.h"
#include "backup/zip/engine.h"

#include "fs/case_fold.h"
#include "backup/zip/names.h"

namespace zip {

std::string EntryPaths::add(const ArchiveEntry& entry, std::string* relative, bool* is_dir) {
    std::string path;
    bool dir_name = false;
    if (!safe_relative_path(entry.name, &path, &dir_name))
        return named_entry("压缩包中有不安全的文件名，已拒绝解压：", entry.name);
    if (!valid_windows_path(path)) return named_entry("文件名在 Windows 中无效：", entry.name);
    *is_dir = entry.is_dir || dir_name;
    std::string placed, folded;
    for (std::size_t begin = 0; begin <= path.size();) {
        std::size_t end = path.find('/', begin);
        if (end == std::string::npos) end = path.size();
        const std::string component = path.substr(begin, end - begin);
        const bool as_dir = end < path.size() || *is_dir;
        const std::string spelled = placed.empty() ? component : placed + "/" + component;
        folded += "/" + fs::fold_case(component);
        auto [it, fresh] = by_fold_.try_emplace(folded, Seen{spelled, entry.name, as_dir});
        if (!fresh && !(as_dir && it->second.is_dir)) return clash(it->second, spelled, entry, as_dir);
        placed = it->second.spelled;
        begin = end + 1;
    }
    *relative = placed;
    return "";
}

std::string EntryPaths::clash(const Seen& seen, const std::string& spelled, const ArchiveEntry& entry, bool is_dir) {
    if (seen.spelled != spelled)
        return named_entry("压缩包中有仅大小写不同的文件名：", seen.entry) + named_entry(" 与 ", entry.name);
    if (!is_dir && !seen.is_dir) return named_entry("压缩包中有重复的文件：", entry.name);
    return named_entry("压缩包中的文件与文件夹同名：", spelled);
}

}  // namespace zip
