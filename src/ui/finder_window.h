#pragma once
// The window "查找存档位置": starts the project's program, records where it writes until it ends
// (or 停止), and offers the folders that look like its saves.
#include <functional>
#include <string>

#include "fs/file_system.h"

namespace finder_ui {
enum Control : int {
    kProgramLabel = 100,
    kProgramEdit,
    kStartButton,  // "启动程序并开始记录"
    kStopButton,   // "停止"
    kStatusLabel,
    kCandidateList,  // checkable: 存档位置, 文件数, 最后写入; then the 排除 suggestions, unticked
    kHintLabel,
    kOkButton,  // "确定"
};
inline constexpr int kMostTicked = 5;  // as many as "多个位置" holds
}  // namespace finder_ui

struct FinderContext {
    fs::FileSystem* fs = nullptr;  // where the written files are looked at
    std::string program_path;      // as on the page; tokens allowed
    std::string tool_dir;          // the tool's own folders are never offered
    // A program that ends sooner was a launcher handing over to another process: the recording
    // then goes on until 停止.
    unsigned launcher_ms = 10000;
};

// Receives the ticked folders, as they are stored, joined with "|", and the 排除 suggestions ticked,
// joined with ";" ("" when none was).
using FinderResult = std::function<void(const std::string& joined, const std::string& exclusions)>;

// Opens "查找存档位置" modally.
void find_save_locations(const FinderContext& context, const FinderResult& done);
