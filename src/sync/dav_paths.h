#pragma once
// Paths on a WebDAV server: the address the user gives, each path segment percent-encoded as UTF-8
// by us, and the hrefs a server hands back, decoded before they are compared. Servers differ in
// the case of their escapes, in which characters they escape, and in whether an href is an
// absolute URL, a path with the root's prefix, or a path without it.
#include <optional>
#include <string>
#include <vector>

namespace syncing {

struct ServerAddress {
    bool https = true;
    std::string host;  // as given: a name, an IPv4 address or [an IPv6 one]
    int port = 443;
    std::vector<std::string> root;  // decoded path segments of the root folder
};

// "https://dav.jianguoyun.com/dav/" or "http://nas:5005/存档/": nullopt with a reason for anything
// else (no scheme, user info in the address, a bad port, "..", text that is not UTF-8).
std::optional<ServerAddress> parse_address(const std::string& text, std::string* reason);

// Every byte but the unreserved ones (A-Z a-z 0-9 - . _ ~) as %XX.
std::string encode_segment(const std::string& segment);
// "/a/b/c" or "/a/b/c/" from decoded segments.
std::string encode_path(const std::vector<std::string>& segments, bool folder);
// %XX to bytes, either case; nullopt for a broken escape.
std::optional<std::string> percent_decode(const std::string& text);

// Where an href of a listing of `folder` (root segments + Varnoke + project) points: "" for the
// folder itself, the file name for an entry right inside it, nullopt for anything else — another
// folder, a deeper path, "..", an escaped separator. The root's prefix may be missing; names are
// compared the way Windows compares them.
std::optional<std::string> name_in_folder(const std::string& href, const std::vector<std::string>& folder,
                                          std::size_t root_size);

}  // namespace syncing
