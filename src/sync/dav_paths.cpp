#include "sync/dav_paths.h"

#include <algorithm>
#include <cctype>

#include "fs/case_fold.h"
#include "fs/file_names.h"
#include "sync/remote.h"

namespace syncing {

namespace {

std::vector<std::string> split_path(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        if (slash > start) parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

bool decode_segments(const std::string& path, std::vector<std::string>* out) {
    for (const std::string& raw : split_path(path)) {
        std::optional<std::string> part = percent_decode(raw);
        if (!part || !is_safe_name(*part)) return false;
        out->push_back(*part);
    }
    return true;
}

bool same_names(const std::vector<std::string>& a, std::size_t a_from, const std::vector<std::string>& b,
                std::size_t b_from, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (fs::fold_case(a[a_from + i]) != fs::fold_case(b[b_from + i])) return false;
    return true;
}

std::optional<int> parse_port(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int port = std::stoi(text);
    return port >= 1 && port <= 65535 ? std::optional<int>(port) : std::nullopt;
}

}  // namespace

std::optional<ServerAddress> parse_address(const std::string& text, std::string* reason) {
    ServerAddress address;
    std::string rest;
    auto starts = [&](const char* scheme) {
        const std::size_t n = std::char_traits<char>::length(scheme);
        if (text.size() < n) return false;
        for (std::size_t i = 0; i < n; ++i)
            if (std::tolower(static_cast<unsigned char>(text[i])) != scheme[i]) return false;
        rest = text.substr(n);
        return true;
    };
    if (!starts("https://") && !starts("http://"))
        return *reason = "地址应以 https:// 或 http:// 开头", std::nullopt;
    address.https = text[4] == 's' || text[4] == 'S';
    const std::size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    const std::string path = slash == std::string::npos ? "" : rest.substr(slash);
    if (authority.find('@') != std::string::npos) return *reason = "地址中不能含用户名或密码", std::nullopt;
    const std::size_t colon = authority.rfind(':');
    address.port = address.https ? 443 : 80;
    if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
        std::optional<int> port = parse_port(authority.substr(colon + 1));
        if (!port) return *reason = "地址中的端口无效", std::nullopt;
        address.port = *port;
        authority.resize(colon);
    }
    if (authority.empty() || authority.find_first_of(" ?#") != std::string::npos)
        return *reason = "地址中没有有效的服务器名", std::nullopt;
    address.host = authority;
    if (path.find_first_of("?#") != std::string::npos || !decode_segments(path, &address.root) ||
        !std::all_of(address.root.begin(), address.root.end(), fs::is_valid_utf8))
        return *reason = "地址中的路径无效", std::nullopt;
    return address;
}

std::string encode_segment(const std::string& segment) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : segment) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string encode_path(const std::vector<std::string>& segments, bool folder) {
    std::string path;
    for (const std::string& s : segments) path += "/" + encode_segment(s);
    return folder || path.empty() ? path + "/" : path;
}

std::optional<std::string> percent_decode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const std::string hex = text.substr(i + 1, 2);
        if (!std::isxdigit(static_cast<unsigned char>(hex[0])) ||
            !std::isxdigit(static_cast<unsigned char>(hex[1])))
            return std::nullopt;
        out += static_cast<char>(std::stoi(hex, nullptr, 16));
        i += 2;
    }
    return out;
}

std::optional<std::string> name_in_folder(const std::string& href, const std::vector<std::string>& folder,
                                          std::size_t root_size) {
    std::string path = href;
    const std::size_t scheme = path.find("://");
    if (scheme != std::string::npos && scheme < path.find('/')) {
        const std::size_t start = path.find('/', scheme + 3);
        path = start == std::string::npos ? "/" : path.substr(start);
    }
    if (path.empty() || path[0] != '/' || path.find_first_of("?#") != std::string::npos) return std::nullopt;
    std::vector<std::string> parts;
    if (!decode_segments(path, &parts)) return std::nullopt;
    for (std::size_t skip : {std::size_t{0}, root_size}) {  // with the root's prefix, then without
        const std::size_t want = folder.size() - skip;
        if (parts.size() < want || parts.size() > want + 1 || !same_names(parts, 0, folder, skip, want))
            continue;
        return parts.size() == want ? std::string() : parts.back();
    }
    return std::nullopt;
}

}  // namespace syncing
