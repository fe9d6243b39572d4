#pragma once
// INI access through the platform's profile-string functions, one key at a time. Files are in the
// ANSI code page (GBK).
#include <optional>
#include <string>
#include <vector>

// Leading bytes up to 0x20 are ignored in file, section and key; if any of them is then empty the
// result is "" (the default is not used). A value is cut to 10239 bytes; a missing file, section
// or key gives the default.
std::string read_ini_value(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& default_value = "");

// No value deletes the key; no key deletes the whole section. Returns the platform's result.
bool write_ini_value(const std::string& file, const std::string& section,
                     const std::optional<std::string>& key, const std::optional<std::string>& value);

inline bool delete_ini_section(const std::string& file, const std::string& section) {
    return write_ini_value(file, section, std::nullopt, std::nullopt);
}

// Section names in file order; an absent or empty file gives an empty list.
std::vector<std::string> read_ini_section_names(const std::string& file);
