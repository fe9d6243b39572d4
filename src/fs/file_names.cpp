#include "fs/file_names.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

namespace fs {

bool is_valid_utf8(const std::string& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t n = text.size(), i = 0;
    while (i < n) {
        unsigned char c = p[i];
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > n) return false;
        uint32_t cp = len == 1 ? c : c & (0x7f >> len);
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xc0) != 0x80) return false;
            cp = cp << 6 | (p[i + k] & 0x3f);
        }
        static const uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[len] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
        i += len;
    }
    return true;
}

std::string join_path(const std::string& dir, const std::string& relative) {
    if (dir.empty()) return relative;
    if (relative.empty()) return dir;
    char last = dir.back();
    return (last == '/' || last == '\\') ? dir + relative : dir + "/" + relative;
}

std::string parent_path(const std::string& path) {
    std::size_t end = path.size();
    while (end > 1 && (path[end - 1] == '/' || path[end - 1] == '\\')) --end;
    std::size_t cut = path.find_last_of("/\\", end - 1);
    if (cut == std::string::npos) return "";
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

namespace {
constexpr char kTempPrefix[] = ".vnk";
constexpr char kTempSuffix[] = ".tmp";
constexpr std::size_t kTempDigits = 12;
}  // namespace

bool is_temporary_name(const std::string& name) {
    const std::size_t prefix = sizeof kTempPrefix - 1, suffix = sizeof kTempSuffix - 1;
    if (name.size() != prefix + kTempDigits + suffix || name.compare(0, prefix, kTempPrefix) != 0 ||
        name.compare(prefix + kTempDigits, suffix, kTempSuffix) != 0)
        return false;
    for (std::size_t i = prefix; i < prefix + kTempDigits; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i])) || std::isupper(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

std::string sibling_temp_path(const std::string& path) {
    static std::atomic<uint64_t> counter{std::random_device{}() ^
                                         static_cast<uint64_t>(
                                             std::chrono::steady_clock::now().time_since_epoch().count())};
    uint64_t id = counter.fetch_add(0x9e3779b97f4a7c15ull);
    static const char kHex[] = "0123456789abcdef";
    std::string name = kTempPrefix;
    for (std::size_t i = 0; i < kTempDigits; ++i) name += kHex[(id >> (4 * i)) & 15];
    name += kTempSuffix;
    return join_path(parent_path(path), name);
}

std::string normal_path(const std::string& path) {
    std::string text = path;
    for (char& c : text) {
        if (c == '\\') c = '/';
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (text.rfind("//?/unc/", 0) == 0) text = "//" + text.substr(8);
    else if (text.rfind("//?/", 0) == 0) text = text.substr(4);
    const bool absolute = !text.empty() && text[0] == '/';
    const bool unc = text.rfind("//", 0) == 0;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t slash = text.find('/', start);
        if (slash == std::string::npos) slash = text.size();
        const std::string part = text.substr(start, slash - start);
        if (part == "..") {
            if (parts.size() > 1 || (parts.size() == 1 && parts[0].find(':') == std::string::npos)) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string out = unc ? "/" : "";
    if (absolute) out += "/";
    for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? "/" : "") + parts[i];
    return out;
}

bool path_inside(const std::string& path, const std::string& folder) {
    const std::string p = normal_path(path), f = normal_path(folder);
    if (f.empty() || p.size() <= f.size() || p.compare(0, f.size(), f) != 0) return false;
    return f.back() == '/' || p[f.size()] == '/';
}

}  // namespace fs
