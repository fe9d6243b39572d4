#include "fs/wide_text.h"
#include "backup_fixture.h"

#include "backup/zip/names.h"

namespace app_test {

namespace {

// Calls `visit` with the relative name and find data of everything below `root`.
template <typename Visit>
void walk(const std::string& root, const std::string& rel, Visit visit) {
    WIN32_FIND_DATAW fd;
    const std::wstring pattern = fs::long_path(rel.empty() ? root : root + "\\" + rel) + L"\\*";
    HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::string child = rel.empty() ? fs::to_ansi(name) : rel + "\\" + fs::to_ansi(name);
        visit(child, fd);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) walk(root, child, visit);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

}  // namespace

std::map<std::string, std::string> BackupRestore::snapshot(const std::string& root) {
    std::map<std::string, std::string> s;
    walk(root, "", [&](const std::string& rel, const WIN32_FIND_DATAW& fd) {
        const uint64_t time = (uint64_t{fd.ftLastWriteTime.dwHighDateTime} << 32) | fd.ftLastWriteTime.dwLowDateTime;
        const bool dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        s[rel] = dir ? "<folder>" : wintest::read_bytes(root + "\\" + rel, 1 << 26).value_or("<unreadable>") + "@" +
                                        std::to_string(time) + "/" + std::to_string(fd.dwFileAttributes);
    });
    return s;
}

bool BackupRestore::has_temporaries(const std::string& root) {
    bool found = false;
    walk(root, "", [&](const std::string& rel, const WIN32_FIND_DATAW&) {
        found = found || fs::is_temporary_name(gbk::after_last_backslash(rel));
    });
    return found;
}

}  // namespace app_test
