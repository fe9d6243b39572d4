#include "config/ini.h"

#include "config/ini_file.h"

namespace {

std::string skip_leading_controls(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 0x20) ++i;
    return s.substr(i);
}

// The profile functions drop trailing blanks of the default; quotes around it go as around a value.
std::string plain_default(std::string d) {
    while (!d.empty() && d.back() == ' ') d.pop_back();
    if (d.size() >= 2 && (d.front() == '"' || d.front() == '\'') && d.back() == d.front()) d = d.substr(1, d.size() - 2);
    return d;
}

}  // namespace

std::shared_ptr<const ini::Document> read_ini_document(fs::FileSystem& fs, const std::string& file) {
    return ini::load(fs, file);
}

bool update_ini_document(fs::FileSystem& fs, const std::string& file, const std::function<bool(ini::Document&)>& change) {
    if (skip_leading_controls(file).empty()) return false;
    return ini::update(fs, file, change);
}

std::string read_ini_value(fs::FileSystem& fs, const std::string& file, const std::string& section, const std::string& key,
                           const std::string& default_value) {
    std::string f = skip_leading_controls(file), s = skip_leading_controls(section),
                k = skip_leading_controls(key);
    if (f.empty() || s.empty() || k.empty()) return {};
    return read_ini_document(fs, f)->value(s, k).value_or(plain_default(default_value));
}

bool write_ini_value(fs::FileSystem& fs, const std::string& file, const std::string& section,
                     const std::optional<std::string>& key, const std::optional<std::string>& value) {
    return update_ini_document(fs, file, [&](ini::Document& doc) {
        if (!key) return doc.remove_section(section);
        if (!value) return doc.remove_key(section, *key);
        return doc.set(section, *key, *value);
    });
}

std::vector<std::string> read_ini_section_names(fs::FileSystem& fs, const std::string& file) {
    if (skip_leading_controls(file).empty()) return {};
    return read_ini_document(fs, file)->section_names();
}
