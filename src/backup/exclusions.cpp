#include "backup/exclusions.h"

#include "fs/case_fold.h"
#include "fs/file_names.h"
#include "paths/gbk_text.h"

namespace backup {

namespace {

std::vector<std::string> split_parts(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
        parts.push_back(path.substr(start, slash - start));
    parts.push_back(path.substr(start));
    return parts;
}

// The length of the UTF-8 character at `i` (1 for a stray byte).
std::size_t char_size(const std::string& s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0xc0 ? 1 : c < 0xe0 ? 2 : c < 0xf0 ? 3 : 4;
    return i + n <= s.size() ? n : 1;
}

// "*" matches any run of characters of one name, "?" one character.
bool glob(const std::string& pattern, std::size_t p, const std::string& name, std::size_t n) {
    while (p < pattern.size()) {
        if (pattern[p] == '*') {
            for (std::size_t at = n;; at += char_size(name, at)) {
                if (glob(pattern, p + 1, name, at)) return true;
                if (at >= name.size()) return false;
            }
        }
        if (n >= name.size()) return false;
        const std::size_t size = char_size(name, n);
        if (pattern[p] == '?') {
            p += 1;
        } else {
            const std::size_t psize = char_size(pattern, p);
            if (pattern.compare(p, psize, name, n, size) != 0) return false;
            p += psize;
        }
        n += size;
    }
    return n == name.size();
}

// Blanks around a pattern are no part of it; no GBK trail byte is a blank.
std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::optional<Exclusions::Pattern> Exclusions::pattern_of(const std::string& piece, std::string* problem) {
    auto refuse = [&](const char* why) {
        if (problem) *problem = "排除项“" + piece + "”" + why;
        return std::nullopt;
    };
    std::string path = fs::path_of(trimmed(piece));
    if (path.empty()) return refuse("是空的");
    if (path.rfind("//", 0) == 0 || (path.size() >= 2 && path[1] == ':')) return refuse("是绝对路径，请写相对于存档文件夹的路径");
    Pattern p;
    p.anchored = path.front() == '/';
    p.folder_only = path.back() == '/';
    path = path.substr(p.anchored ? 1 : 0, path.size() - (p.anchored ? 1 : 0) - (p.folder_only ? 1 : 0));
    p.parts = split_parts(fs::fold_case(path));
    p.anchored = p.anchored || p.parts.size() > 1;
    for (const std::string& part : p.parts) {
        if (part.empty()) return refuse("中有空的部分");
        if (part == "." || part == "..") return refuse("不能含有 . 或 ..");
    }
    return p;
}

std::optional<Exclusions> Exclusions::parse(const std::string& text, std::string* problem) {
    Exclusions e;
    if (text.empty()) return e;
    for (const std::string& piece : gbk::split(text, ';')) {
        std::optional<Pattern> p = pattern_of(piece, problem);
        if (!p) return std::nullopt;
        e.patterns_.push_back(std::move(*p));
    }
    return e;
}

Exclusions Exclusions::lenient(const std::string& text) {
    Exclusions e;
    if (text.empty()) return e;
    for (const std::string& piece : gbk::split(text, ';'))
        if (std::optional<Pattern> p = pattern_of(piece, nullptr)) e.patterns_.push_back(std::move(*p));
    return e;
}

bool Exclusions::matches(const Pattern& p, const std::vector<std::string>& parts, bool is_dir) const {
    if (p.folder_only && !is_dir) return false;
    if (!p.anchored) return glob(p.parts.front(), 0, parts.back(), 0);
    if (p.parts.size() != parts.size()) return false;
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (!glob(p.parts[i], 0, parts[i], 0)) return false;
    return true;
}

bool Exclusions::excludes(const std::string& relative, bool is_dir) const {
    if (patterns_.empty()) return false;
    std::string path = relative;
    if (!path.empty() && path.back() == '/') path.pop_back();
    const std::vector<std::string> parts = split_parts(fs::fold_case(path));
    for (const Pattern& p : patterns_)
        if (matches(p, parts, is_dir)) return true;
    return false;
}

bool Exclusions::excludes_within(const std::string& relative) const {
    if (patterns_.empty()) return false;
    for (std::size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1))
        if (excludes(relative.substr(0, slash), true)) return true;
    return excludes(relative, false);
}

std::function<bool(const std::string&, bool)> Exclusions::leave_out() const {
    if (patterns_.empty()) return {};
    return [copy = *this](const std::string& relative, bool is_dir) { return copy.excludes(relative, is_dir); };
}

std::string join_exclusions(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) {
        const std::string piece = trimmed(line);
        if (!piece.empty()) joined += (joined.empty() ? "" : ";") + piece;
    }
    return joined;
}

}  // namespace backup
