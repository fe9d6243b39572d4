#pragma once
// The small file that goes with every set on the remote, published after its archives: who made
// the set, how, when, and the size and CRC-32 of each archive. GBK INI text like the tool's other
// files:
//
//   [备份]
//   机器码=00-1A-2B-3C-4D-5E-7601
//   计算机名=客厅电脑
//   类型=手动
//   备注=打完第三章
//   时间=2026年12月10日12时3分4秒
//   [存档1]
//   大小=1048576
//   CRC32=1A2B3C4D
//   [存档3]
//   …
//
// Archive k is the set's ".zip" (k = 1) or ".zip<k>"; a folder that was missing at backup time
// has no section. Read back as hostile input: bounded, every field checked, nothing else believed.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace syncing {

struct ArchiveInfo {
    int number = 1;  // 1 for ".zip", k for ".zip<k>"
    uint64_t size = 0;
    uint32_t crc32 = 0;
};

struct SetMetadata {
    std::string machine_id, computer_name, kind, note;  // GBK
    std::string time_text;                              // the set's stem, GBK
    std::vector<ArchiveInfo> archives;                  // by number, at least archive 1
};

constexpr std::size_t kMaxMetadataBytes = 16 * 1024;
constexpr int kMaxArchiveNumber = 99;

std::string format_metadata(const SetMetadata& metadata);
std::optional<SetMetadata> parse_metadata(std::string_view bytes, std::string* reason);

}  // namespace syncing
