#include "backup/overlapping_folders.h"

#include "fs/case_fold.h"
#include "fs/file_names.h"

namespace backup {

namespace {

// Names compared as Windows compares them.
bool inside(const std::string& inner, const std::string& outer) {
    return fs::path_inside(fs::fold_case(inner), fs::fold_case(outer));
}
bool same(const std::string& a, const std::string& b) {
    return fs::normal_path(fs::fold_case(a)) == fs::normal_path(fs::fold_case(b));
}

}  // namespace

int folder_containing(const std::vector<std::string>& others, int k) {
    const std::string& folder = others[static_cast<std::size_t>(k - 1)];
    for (std::size_t i = 0; i < others.size() && !folder.empty(); ++i) {
        const int j = static_cast<int>(i) + 1;
        if (j == k || others[i].empty()) continue;
        if (inside(folder, others[i]) || (j < k && same(folder, others[i]))) return j;
    }
    return 0;
}

std::optional<FolderOverlap> find_overlap(const std::vector<std::string>& folders) {
    for (int k = 1; k <= static_cast<int>(folders.size()); ++k)
        if (const int outer = folder_containing(folders, k)) return FolderOverlap{outer, k};
    return std::nullopt;
}

std::vector<std::string> overlapping_pair(const std::vector<std::string>& folders,
                                          const FolderOverlap& overlap) {
    return {folders[static_cast<std::size_t>(overlap.outer - 1)],
            folders[static_cast<std::size_t>(overlap.inner - 1)]};
}

std::string overlap_text(const std::vector<std::string>& pair) {
    std::string text = "存档路径重叠（同一个文件夹，或一个在另一个之内）：";
    for (const std::string& folder : pair) text += fs::named("\r\n", folder);
    return text;
}

}  // namespace backup
