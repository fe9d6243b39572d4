#pragma once
// The answer to PROPFIND with Depth 1: a WebDAV multistatus document (RFC 4918), read by a small
// XML reader of our own. Servers bind the DAV: namespace to any prefix (D:, d:, lp1:, a default
// namespace); names are resolved, never matched as text. The document is hostile input: a doctype
// is refused (no entities to expand), depth and entries are bounded, and a document that stops
// before its end or closes what it never opened is refused with a reason.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace syncing {

struct DavEntry {
    std::string href;  // as sent, entities decoded, percent escapes kept
    bool is_folder = false;
    uint64_t size = 0;
    int64_t mtime = 0;  // seconds since 1970; 0 when not given or unreadable
};

std::optional<std::vector<DavEntry>> parse_multistatus(std::string_view xml, std::size_t max_entries,
                                                       std::string* reason);

// "Thu, 10 Dec 2026 04:34:54 GMT" to seconds since 1970; 0 for anything else.
int64_t parse_http_date(const std::string& text);

}  // namespace syncing
