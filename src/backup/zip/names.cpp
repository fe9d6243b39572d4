#include "backup/zip/names.h"

#include "fs/file_names.h"

#include "paths/device_names.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace zip {

bool is_valid_gbk(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xff) return false;
        if (c <= 0x80) continue;  // 0x80 is the euro sign in code page 936
        if (++i == text.size()) return false;
        const auto trail = static_cast<unsigned char>(text[i]);
        if (trail < 0x40 || trail == 0x7f || trail == 0xff) return false;
    }
    return true;
}

static std::vector<std::string> split_components(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '/') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

static bool has_drive(const std::string& name) {
    return name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]));
}

bool safe_relative_path(const std::string& name, std::string* path, bool* is_dir) {
    std::string unified = name;
    std::replace(unified.begin(), unified.end(), '\\', '/');
    if (unified.empty() || unified[0] == '/' || has_drive(unified)) return false;
    *is_dir = unified.back() == '/';
    path->clear();
    for (const std::string& part : split_components(unified)) {
        if (part.empty() || part == ".") continue;
        if (part == "..") return false;
        if (!path->empty()) *path += '/';
        *path += part;
    }
    return !path->empty();
}

static bool valid_windows_component(const std::string& component) {
    for (char c : component)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || std::strchr("<>:\"|?*", c)) return false;
    return component.back() != '.' && component.back() != ' ' && !is_device_name(component);
}

bool valid_windows_path(const std::string& relative) {
    for (const std::string& component : split_components(relative))
        if (!component.empty() && !valid_windows_component(component)) return false;
    return true;
}

}  // namespace zip
