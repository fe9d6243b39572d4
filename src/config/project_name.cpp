#include "config/project_name.h"

#include "paths/device_names.h"
#include "paths/gbk_text.h"

namespace {

constexpr std::string_view kForbidden = "\\/:*?\"<>|";

bool has_forbidden_character(std::string_view name) {
    for (size_t i = 0; i < name.size(); i += gbk::char_len(name, i)) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x80 && (c < 0x20 || c == 0x7F || kForbidden.find(name[i]) != std::string_view::npos))
            return true;
    }
    return false;
}

}  // namespace

std::string folder_name_problem(std::string_view name) {
    if (name.empty()) return "名称不能为空";
    if (name == "." || name == "..") return "名称不能是“.”或“..”";
    if (has_forbidden_character(name)) return "名称中不能有 \\ / : * ? \" < > | 和控制字符";
    if (name.back() == '.' || name.back() == ' ') return "名称不能以点或空格结尾";
    if (is_device_name(name)) return "名称不能是系统设备名（CON、PRN、AUX、NUL、COM0～COM9、LPT0～LPT9、CONIN$、CONOUT$）";
    return {};
}
