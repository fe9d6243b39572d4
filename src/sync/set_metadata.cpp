#include "sync/set_metadata.h"

#include <cstdio>

#include "config/ini_document.h"
#include "paths/time_text.h"

namespace syncing {

namespace {

constexpr char kSetSection[] = "备份";
constexpr char kArchiveSection[] = "存档";
constexpr std::size_t kMaxField = 512;

// One line per value: breaks in a note become blanks, and text is cut at the bound.
std::string one_line(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    return text.substr(0, kMaxField);
}

std::optional<uint64_t> number_of(const std::optional<std::string>& text, int base, std::size_t digits) {
    const char* allowed = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
    if (!text || text->empty() || text->size() > digits ||
        text->find_first_not_of(allowed) != std::string::npos)
        return std::nullopt;
    return std::stoull(*text, nullptr, base);
}

}  // namespace

std::string format_metadata(const SetMetadata& m) {
    ini::Document doc = ini::Document::parse("");
    doc.set(kSetSection, "机器码", one_line(m.machine_id));
    doc.set(kSetSection, "计算机名", one_line(m.computer_name));
    doc.set(kSetSection, "类型", one_line(m.kind));
    doc.set(kSetSection, "备注", one_line(m.note));
    doc.set(kSetSection, "时间", one_line(m.time_text));
    for (const ArchiveInfo& a : m.archives) {
        const std::string section = kArchiveSection + std::to_string(a.number);
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08X", static_cast<unsigned>(a.crc32));
        doc.set(section, "大小", std::to_string(a.size));
        doc.set(section, "CRC32", crc);
    }
    return doc.text();
}

std::optional<SetMetadata> parse_metadata(std::string_view bytes, std::string* reason) {
    if (bytes.size() > kMaxMetadataBytes) return *reason = "说明文件过大", std::nullopt;
    const ini::Document doc = ini::Document::parse(bytes);
    SetMetadata m;
    auto field = [&](const char* key) {
        return doc.value(kSetSection, key).value_or("").substr(0, kMaxField);
    };
    m.machine_id = field("机器码");
    m.computer_name = field("计算机名");
    m.kind = field("类型");
    m.note = field("备注");
    m.time_text = field("时间");
    if (m.machine_id.empty() || format_time_text(parse_time_text(m.time_text)) != m.time_text)
        return *reason = "说明文件缺少机器码或时间", std::nullopt;
    for (int k = 1; k <= kMaxArchiveNumber; ++k) {
        const std::string section = kArchiveSection + std::to_string(k);
        const std::optional<std::string> size_text = doc.value(section, "大小");
        if (!size_text) continue;
        const auto size = number_of(size_text, 10, 15);
        const auto crc = number_of(doc.value(section, "CRC32"), 16, 8);
        if (!size || !crc) return *reason = "说明文件中 " + section + " 的大小或 CRC32 无效", std::nullopt;
        m.archives.push_back({k, *size, static_cast<uint32_t>(*crc)});
    }
    if (m.archives.empty() || m.archives.front().number != 1)
        return *reason = "说明文件没有第一个存档", std::nullopt;
    return m;
}

}  // namespace syncing
