#include "paths/gbk_text.h"

namespace gbk {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the characters of text from i cover exactly n bytes: a match that ended on the lead byte
// of a character would take half of it.
bool ends_on_boundary(std::string_view text, size_t i, size_t n) {
    size_t j = i;
    while (j < i + n) j += char_len(text, j);
    return j == i + n;
}

bool matches_at(std::string_view text, size_t i, std::string_view s, bool fold) {
    if (i + s.size() > text.size() || !ends_on_boundary(text, i, s.size())) return false;
    // Only single-byte characters fold: the trail byte of a GBK character may look like a letter.
    for (size_t k = 0; k < s.size();) {
        size_t n = char_len(s, k);
        for (size_t j = 0; j < n; ++j) {
            char a = text[i + k + j], b = s[k + j];
            bool fold_here = fold && n == 1;
            if (fold_here ? lower(a) != lower(b) : a != b) return false;
        }
        k += n;
    }
    return true;
}

}  // namespace

int find(std::string_view text, std::string_view s) {
    if (s.empty()) return -1;
    for (size_t i = 0; i < text.size(); i += char_len(text, i))
        if (matches_at(text, i, s, false)) return static_cast<int>(i) + 1;
    return -1;
}

int find_last(std::string_view text, std::string_view s) {
    int last = -1;
    if (s.empty()) return last;
    for (size_t i = 0; i < text.size(); i += char_len(text, i))
        if (matches_at(text, i, s, false)) last = static_cast<int>(i) + 1;
    return last;
}

std::string left(std::string_view text, int n) {
    if (n <= 0) return {};
    return std::string(text.substr(0, static_cast<size_t>(n)));
}

std::string right(std::string_view text, int n) {
    if (n <= 0) return {};
    size_t k = std::min(text.size(), static_cast<size_t>(n));
    return std::string(text.substr(text.size() - k));
}

std::string replace_all(std::string_view text, std::string_view s, std::string_view r) {
    if (s.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (matches_at(text, i, s, true)) {
            out.append(r);
            i += s.size();
        } else {
            size_t n = char_len(text, i);
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::vector<std::string> split(std::string_view text, char sep) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); i += char_len(text, i)) {
        if (text[i] == sep) {
            pieces.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < text.size()) pieces.emplace_back(text.substr(start));
    return pieces;
}

std::string join_non_empty(const std::vector<std::string>& pieces, char sep) {
    std::string out;
    for (const auto& p : pieces) {
        if (p.empty()) continue;
        if (!out.empty()) out += sep;
        out += p;
    }
    return out;
}

std::string after_last_backslash(std::string_view path) {
    int p = find_last(path, "\\");
    return p < 0 ? std::string(path) : std::string(path.substr(static_cast<size_t>(p)));
}

std::string up_to_last_backslash(std::string_view path) {
    int p = find_last(path, "\\");
    return p < 0 ? std::string() : std::string(path.substr(0, static_cast<size_t>(p)));
}

std::string ascii_lower(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); i += char_len(out, i)) out[i] = lower(out[i]);
    return out;
}

bool starts_with_no_case(std::string_view text, std::string_view prefix) {
    return matches_at(text, 0, prefix, true);
}

bool equals_no_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && matches_at(a, 0, b, true);
}

}  // namespace gbk
