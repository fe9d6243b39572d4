#pragma once
// INI access in the manner of the profile functions, for the program's own files (GBK text at a
// path of the file world). Every call goes through the INI document on the given file system: reads share one parse per file until it changes, and
// every write replaces the whole file in one step.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/ini_document.h"
#include "fs/file_system.h"

// Leading bytes up to 0x20 are ignored in file, section and key; if any of them is then empty the
// result is "" (the default is not used). A value is cut to 10239 bytes; a missing file, section
// or key gives the default.
std::string read_ini_value(fs::FileSystem& fs, const std::string& file, const std::string& section, const std::string& key,
                           const std::string& default_value = "");

// No value deletes the key; no key deletes the whole section. False when the file could not be
// written (it then stays as it was).
bool write_ini_value(fs::FileSystem& fs, const std::string& file, const std::string& section,
                     const std::optional<std::string>& key, const std::optional<std::string>& value);

inline bool delete_ini_section(fs::FileSystem& fs, const std::string& file, const std::string& section) {
    return write_ini_value(fs, file, section, std::nullopt, std::nullopt);
}

// Section names in file order; an absent or empty file gives an empty list.
std::vector<std::string> read_ini_section_names(fs::FileSystem& fs, const std::string& file);

// The document as it is now, for reading many values with one parse.
std::shared_ptr<const ini::Document> read_ini_document(fs::FileSystem& fs, const std::string& file);

// Several changes, one write: `change` returns whether it changed anything. False when the file
// could not be read or written.
bool update_ini_document(fs::FileSystem& fs, const std::string& file, const std::function<bool(ini::Document&)>& change);
