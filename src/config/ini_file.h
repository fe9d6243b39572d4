#pragma once
// INI files on the file-system seam. A read parses a file once and keeps the document while the
// file's size and time stay as they were, so one action reads a list of thousands of projects
// once; a write reads the file afresh, changes it in memory and replaces it whole (written beside,
// flushed, moved over), so a kill or a full disk leaves the old file as it was. Both hold the
// configuration lock that every process of the tool shares.
#include <functional>
#include <memory>
#include <string>

#include "fs/file_system.h"
#include "config/ini_document.h"

namespace ini {

// The document of the file at `path` (UTF-8, as the seam takes it); an empty one when the file is
// missing or cannot be read.
std::shared_ptr<const Document> load(fs::FileSystem& fs, const std::string& path);

// Applies `change` to the file's current document and writes it when anything changed (`change`
// returns whether it did). False when the file could not be read or written; the old file then
// stays whole. A missing file is written new.
bool update(fs::FileSystem& fs, const std::string& path, const std::function<bool(Document&)>& change);

}  // namespace ini
