#include <windows.h>

#include "config/config_lock.h"
#include "config/ini.h"

namespace {

constexpr DWORD kValueBuffer = 10240;
constexpr DWORD kNamesBuffer = 204800;

std::string skip_leading_controls(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 0x20) ++i;
    return s.substr(i);
}

const char* or_null(const std::optional<std::string>& s) { return s ? s->c_str() : nullptr; }

// Wine keeps a parsed copy of recently used INI files and reloads one only when its modification
// time changed; a write by another process within the same clock tick would go unseen and be
// overwritten from the stale copy. Flushing that copy makes the next access read the file.
void forget_cached_copy(const std::string& file) {
    if (!file.empty()) WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
}

}  // namespace

std::string read_ini_value(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& default_value) {
    std::string f = skip_leading_controls(file), s = skip_leading_controls(section),
                k = skip_leading_controls(key);
    if (f.empty() || s.empty() || k.empty()) return {};
    ConfigFilesLock lock;
    forget_cached_copy(f);
    std::string buf(kValueBuffer, '\0');
    DWORD n = GetPrivateProfileStringA(s.c_str(), k.c_str(), default_value.c_str(), buf.data(),
                                       kValueBuffer, f.c_str());
    buf.resize(n);
    return buf;
}

bool write_ini_value(const std::string& file, const std::string& section,
                     const std::optional<std::string>& key, const std::optional<std::string>& value) {
    ConfigFilesLock lock;
    forget_cached_copy(file);
    return WritePrivateProfileStringA(section.c_str(), or_null(key), key ? or_null(value) : nullptr,
                                      file.c_str()) != FALSE;
}

std::vector<std::string> read_ini_section_names(const std::string& file) {
    std::vector<std::string> names;
    std::string buf(kNamesBuffer, '\0');
    ConfigFilesLock lock;
    forget_cached_copy(file);
    DWORD n = GetPrivateProfileSectionNamesA(buf.data(), kNamesBuffer, file.c_str());
    for (size_t i = 0; i < n;) {
        size_t end = buf.find('\0', i);
        if (end == std::string::npos || end > n) end = n;
        if (end == i) break;
        names.push_back(buf.substr(i, end - i));
        i = end + 1;
    }
    return names;
}
