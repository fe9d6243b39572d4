#include "config/project_list.h"

#include <algorithm>

#include "config/ini.h"
#include "config/names.h"
#include "paths/time_text.h"

int64_t project_sort_key(const std::string& time_text) {
    static const int64_t reference = to_seconds(parse_time_text("2012年12月21日3时14分35秒"));
    // 64 bits: a 32-bit key overflows for times before 1944 or after 2080, invalid ones included.
    return to_seconds(parse_time_text(time_text)) - reference;
}

std::vector<std::string> order_by_operation_time(std::vector<std::string> names,
                                                 const std::function<std::string(const std::string&)>& time_text_of) {
    std::vector<std::pair<int64_t, std::string>> keyed;
    keyed.reserve(names.size());
    for (auto& n : names) keyed.emplace_back(project_sort_key(time_text_of(n)), std::move(n));
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    names.clear();
    for (auto& k : keyed) names.push_back(std::move(k.second));
    return names;
}

std::vector<std::string> project_names(const ini::Document& list) {
    return order_by_operation_time(list.section_names(), [&](const std::string& name) {
        return list.value(name, names::kOperationTimeKey).value_or("2011年1月1日1时1分1秒");
    });
}

std::vector<std::string> load_project_names(fs::FileSystem& fs, const std::string& save_config_path) {
    if (save_config_path.empty()) return {};
    return project_names(*read_ini_document(fs, save_config_path));
}
