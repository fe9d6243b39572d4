#include "backup/zip/progress.h"

#include <algorithm>

#include "fs/file_names.h"

namespace zip {

ProgressReporter::ProgressReporter(const ProgressFn& callback, uint64_t total_bytes)
    : callback_(callback), total_(total_bytes) {}

void ProgressReporter::update(uint64_t done_bytes, const std::string& entry_utf8) {
    if (!callback_) return;
    uint64_t done = std::min(done_bytes, total_);
    int percent = total_ == 0 ? 0 : static_cast<int>(done * 100 / total_);
    percent = std::min(percent, 99);
    auto now = std::chrono::steady_clock::now();
    if (percent != last_percent_ || now - last_time_ >= std::chrono::milliseconds(50)) emit(percent, entry_utf8);
}

void ProgressReporter::finish(const std::string& entry_utf8) {
    if (callback_ && last_percent_ != 100) emit(100, entry_utf8);
}

void ProgressReporter::emit(int percent, const std::string& entry_utf8) {
    last_percent_ = percent;
    last_time_ = std::chrono::steady_clock::now();
    callback_(Progress{percent, fs::shown(entry_utf8)});  // shown as a Windows path
}

}  // namespace zip
