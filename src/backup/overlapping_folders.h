#pragma once
// Save folders of one project that overlap: the same folder twice, or one inside another. Each
// folder is packed into an archive of its own, so the files they share are in two archives, and a
// restore would move them twice. They are refused where they are entered and told at backup; sets
// that have them are restored from the outer folder's archive alone.
#include <optional>
#include <string>
#include <vector>

namespace backup {

struct FolderOverlap {
    int outer = 0, inner = 0;  // the folders' numbers, from 1; the inner lies in the outer or is it
};

// The first two of `folders` (file world, "" for an empty entry) that overlap, in order of number.
std::optional<FolderOverlap> find_overlap(const std::vector<std::string>& folders);
// The folder that `folder` lies in or is, among `others`, numbered from 1: an equal one only
// when it comes first. 0 when there is none.
int folder_containing(const std::vector<std::string>& others, int k);
// The two folders, the outer first.
std::vector<std::string> overlapping_pair(const std::vector<std::string>& folders,
                                          const FolderOverlap& overlap);
// "存档路径重叠…" naming the two folders as the user reads them.
std::string overlap_text(const std::vector<std::string>& pair);

}  // namespace backup
