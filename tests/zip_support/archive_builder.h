// Builds archives byte by byte, including ones no honest writer makes: names that climb out of the
// target, wrong CRCs, sizes that lie.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <zlib.h>

#include "backup/zip/format.h"

namespace zip_test {

struct FakeEntry {
    FakeEntry(std::string entry_name, std::string contents = "", bool deflated = true)
        : name(std::move(entry_name)), data(std::move(contents)), deflate(deflated) {}
    std::string name;
    std::string data;
    bool deflate = true;
    std::optional<uint32_t> crc;   // declared instead of the real one
    std::optional<uint64_t> size;  // declared uncompressed size instead of the real one
    uint16_t flags = zip::format::kFlagUtf8;
    uint16_t method_override = 0xffff;
    std::string central_extra;  // extra fields appended to the central header
};

// The Info-ZIP Unicode Path extra field: version, CRC-32 of the stored name, the name in UTF-8.
inline std::string unicode_path_extra(const std::string& stored, const std::string& utf8, uint8_t version = 1,
                                      std::optional<uint32_t> crc = std::nullopt) {
    std::vector<uint8_t> out;
    zip::format::ByteWriter w(&out);
    w.u16(zip::format::kExtraUnicodePath);
    w.u16(static_cast<uint16_t>(5 + utf8.size()));
    w.u8(version);
    w.u32(crc ? *crc : static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(stored.data()),
                                                     static_cast<uInt>(stored.size()))));
    w.bytes(utf8.data(), utf8.size());
    return std::string(out.begin(), out.end());
}

inline std::string raw_deflate(const std::string& data) {
    z_stream s{};
    deflateInit2(&s, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&s, data.size()) + 16, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(&out[0]);
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

inline std::string build_archive(const std::vector<FakeEntry>& entries) {
    namespace f = zip::format;
    std::vector<uint8_t> out, central;
    for (const FakeEntry& e : entries) {
        std::string payload = e.deflate ? raw_deflate(e.data) : e.data;
        f::EntryRecord r;
        r.name = e.name;
        r.flags = e.flags;
        r.method = e.method_override != 0xffff ? e.method_override : e.deflate ? f::kDeflated : f::kStored;
        r.crc = e.crc ? *e.crc
                      : static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()),
                                                    static_cast<uInt>(e.data.size())));
        r.size = e.size ? *e.size : e.data.size();
        r.compressed_size = payload.size();
        r.local_offset = out.size();
        r.mtime = 1600000000;
        r.is_dir = !e.name.empty() && e.name.back() == '/';
        f::write_local_header(r, false, &out);
        out.insert(out.end(), payload.begin(), payload.end());
        const std::size_t header = central.size();
        f::write_central_header(r, 3, &central);
        if (!e.central_extra.empty()) {
            const std::size_t extra_len = central[header + 30] | central[header + 31] << 8;
            const std::size_t grown = extra_len + e.central_extra.size();
            central[header + 30] = static_cast<uint8_t>(grown);
            central[header + 31] = static_cast<uint8_t>(grown >> 8);
            central.insert(central.end(), e.central_extra.begin(), e.central_extra.end());
        }
    }
    uint64_t cd_offset = out.size();
    out.insert(out.end(), central.begin(), central.end());
    f::write_end_records(entries.size(), cd_offset, central.size(), 3, false, &out);
    return std::string(out.begin(), out.end());
}

}  // namespace zip_test
