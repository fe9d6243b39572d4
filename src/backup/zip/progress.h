// Turns byte counts into rate-limited progress events on the calling thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "backup/zip/zip.h"

namespace zip {

class ProgressReporter {
public:
    ProgressReporter(const ProgressFn& callback, uint64_t total_bytes);

    // Reports when the percent changed or about 50 ms went by; stays below 100 until finish().
    void update(uint64_t done_bytes, const std::string& entry_utf8);
    void finish(const std::string& entry_utf8);

private:
    void emit(int percent, const std::string& entry_utf8);

    const ProgressFn& callback_;
    uint64_t total_;
    int last_percent_ = -1;
    std::chrono::steady_clock::time_point last_time_{};
};

}  // namespace zip
