#include "config/ini_document.h"

#include "paths/gbk_text.h"

namespace ini {

namespace {

constexpr size_t kValueLimit = 10239;  // what a 10240-byte buffer holds before its terminator

void fold_double_byte(unsigned char lead, unsigned char& trail) {
    struct Range {
        unsigned char lead, first, last;
        int offset;
    };
    static const Range ranges[] = {
        {0xA3, 0xC1, 0xDA, 0x20},   // Ａ-Ｚ → ａ-ｚ
        {0xA6, 0xA1, 0xB8, 0x20},   // Α-Ω → α-ω
        {0xA7, 0xA1, 0xC1, 0x30},   // А-Я → а-я
        {0xA2, 0xF1, 0xFA, -0x50},  // Ⅰ-Ⅹ → ⅰ-ⅹ
    };
    for (const Range& r : ranges)
        if (lead == r.lead && trail >= r.first && trail <= r.last) trail = static_cast<unsigned char>(trail + r.offset);
}

// The blanks of the profile functions: ASCII white space, ^Z (a DOS end of file) and the
// ideographic space.
size_t blank_len(std::string_view s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A) return 1;
    if (c == 0xA1 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xA1) return 2;
    return 0;
}

std::string_view trim_front(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && blank_len(s, i)) i += blank_len(s, i);
    return s.substr(i);
}

// Characters are walked from the front so that a trail byte is never taken for a blank.
std::string_view trim_back(std::string_view s) {
    size_t end = 0;
    for (size_t i = 0; i < s.size(); i += gbk::char_len(s, i))
        if (!blank_len(s, i)) end = i + gbk::char_len(s, i);
    return s.substr(0, end);
}

std::string_view trim(std::string_view s) { return trim_back(trim_front(s)); }

// Position of the last "]" that is a character of its own, or npos.
size_t last_bracket(std::string_view s) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < s.size(); i += gbk::char_len(s, i))
        if (s[i] == ']') found = i;
    return found;
}

bool same_name(std::string_view a, std::string_view b) { return a.size() == b.size() && fold_case(a) == fold_case(b); }

std::string unquoted(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

std::string fold_case(std::string_view name) {
    std::string key = gbk::ascii_lower(name);
    for (size_t i = 0; i < key.size(); i += gbk::char_len(key, i)) {
        if (gbk::char_len(key, i) != 2) continue;
        auto trail = static_cast<unsigned char>(key[i + 1]);
        fold_double_byte(static_cast<unsigned char>(key[i]), trail);
        key[i + 1] = static_cast<char>(trail);
    }
    return key;
}

Document::Document() : sections_(1) {}

Document Document::parse(std::string_view bytes) {
    Document doc;
    Entry* previous = nullptr;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view line = trim(bytes.substr(start, end - start));
        start = end + 1;
        if (line.empty()) continue;
        const size_t bracket = line.front() == '[' ? last_bracket(line) : std::string_view::npos;
        if (bracket != std::string_view::npos) {
            doc.sections_.push_back({std::string(line.substr(1, bracket - 1)), {}});
            previous = nullptr;
            continue;
        }
        Entry entry;
        const size_t equals = line.find('=');
        entry.name = std::string(equals == std::string_view::npos ? line : trim_back(line.substr(0, equals)));
        if (equals != std::string_view::npos) entry.value = std::string(trim_front(line.substr(equals + 1)));
        // Of several nameless lines in a row only the first is kept.
        if (!entry.name.empty() || !previous || !previous->name.empty()) {
            doc.sections_.back().entries.push_back(std::move(entry));
            previous = &doc.sections_.back().entries.back();
        }
    }
    doc.rebuild_index();
    return doc;
}

std::string Document::text() const {
    std::string out;
    for (const Section& s : sections_) {
        if (!s.name.empty()) out += "[" + s.name + "]\r\n";
        for (const Entry& e : s.entries) {
            out += e.name;
            if (e.value) out += "=" + *e.value;
            out += "\r\n";
        }
    }
    return out;
}

void Document::index_section(size_t i) {
    if (!sections_[i].name.empty()) first_by_name_.emplace(fold_case(sections_[i].name), i);
}

void Document::rebuild_index() {
    first_by_name_.clear();
    for (size_t i = 0; i < sections_.size(); ++i) index_section(i);
}

const Document::Section* Document::find_section(std::string_view trimmed) const {
    auto it = first_by_name_.find(fold_case(trimmed));
    return it == first_by_name_.end() ? nullptr : &sections_[it->second];
}

std::optional<std::string> Document::value(std::string_view section, std::string_view key) const {
    const Section* s = find_section(trim(section));
    if (!s) return std::nullopt;
    const std::string_view k = trim(key);
    for (const Entry& e : s->entries)
        if (same_name(e.name, k)) return e.value ? std::optional(unquoted(*e.value).substr(0, kValueLimit)) : std::nullopt;
    return std::nullopt;
}

std::vector<std::string> Document::section_names() const {
    std::vector<std::string> names;
    for (const Section& s : sections_)
        if (!s.name.empty()) names.push_back(s.name);
    return names;
}

bool Document::set(std::string_view section, std::string_view key, std::string_view value) {
    // A name added keeps its trailing blanks, as the profile functions keep them.
    const std::string_view v = trim_front(value), k = trim_front(key);
    auto* s = const_cast<Section*>(find_section(trim(section)));
    if (!s) {
        sections_.push_back({std::string(trim_front(section)), {}});
        index_section(sections_.size() - 1);
        s = &sections_.back();
    }
    Entry* entry = nullptr;
    for (Entry& e : s->entries)
        if (same_name(e.name, trim_back(k))) {
            entry = &e;
            break;
        }
    if (!entry) entry = &s->entries.emplace_back(Entry{std::string(k), std::nullopt});
    if (entry->value == v) return false;
    entry->value = std::string(v);
    return true;
}

bool Document::remove_key(std::string_view section, std::string_view key) {
    for (Section& s : sections_) {
        if (s.name.empty() || !same_name(s.name, section)) continue;
        for (auto e = s.entries.begin(); e != s.entries.end(); ++e)
            if (same_name(e->name, key)) {
                s.entries.erase(e);
                return true;
            }
    }
    return false;
}

bool Document::remove_section(std::string_view section) {
    for (auto s = sections_.begin(); s != sections_.end(); ++s)
        if (!s->name.empty() && same_name(s->name, section)) {
            sections_.erase(s);
            rebuild_index();
            return true;
        }
    return false;
}

}  // namespace ini
