#include <windows.h>

#include "fs/wide_text.h"

#include <algorithm>

#include "fs/file_names.h"

namespace fs {

namespace {

std::wstring widen(const std::string& text, UINT code_page) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string narrow(const std::wstring& wide, UINT code_page) {
    if (wide.empty()) return {};
    int n = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

}  // namespace

std::wstring to_wide(const std::string& ansi) { return widen(ansi, CP_ACP); }
std::string to_ansi(const std::wstring& wide) { return narrow(wide, CP_ACP); }
std::wstring utf8_to_wide(const std::string& utf8) { return widen(utf8, CP_UTF8); }
std::string wide_to_utf8(const std::wstring& wide) { return narrow(wide, CP_UTF8); }

std::wstring long_path(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    if (path.empty() || path.rfind(L"\\\\?\\", 0) == 0) return path;
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), size, full.data(), nullptr));
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::string path_of(const std::string& ansi) {
    std::string path = wide_to_utf8(to_wide(ansi));
    std::replace(path.begin(), path.end(), '\\', '/');  // UTF-8 has no '\\' inside a character
    return path;
}

std::string shown_name(const std::string& name) { return to_ansi(utf8_to_wide(name)); }

std::string shown(const std::string& path) {
    std::string text = shown_name(path);
    std::replace(text.begin(), text.end(), '/', '\\');  // no GBK trail byte is a '/'
    return text;
}

std::string legacy_name(const std::string& raw) { return wide_to_utf8(to_wide(raw)); }

}  // namespace fs
