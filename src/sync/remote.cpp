#include "sync/remote.h"

#include <algorithm>

#include "fs/file_names.h"

namespace syncing {

bool is_safe_name(const std::string& name) {
    if (name.empty() || name.size() > 255 || name == "." || name == ".." ||
        name.find_first_of("/\\:") != std::string::npos)
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

Outcome name_to_publish(const std::string& name) {
    if (is_safe_name(name) && !fs::is_temporary_name(name)) return {};
    return fail(Failure::local, "文件名无效：" + fs::shown_name(name));
}

Outcome name_of_temporary(const std::string& name) {
    return fs::is_temporary_name(name) ? Outcome{}
                                       : fail(Failure::local, "只删除临时文件：" + fs::shown_name(name));
}

}  // namespace syncing
