#pragma once
// The operation time text ("2011年10月22日9时5分7秒" and its shortened forms) and the date-time
// values it is compared by.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct DateTime {
    int year = 100, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    bool operator==(const DateTime& o) const {
        return year == o.year && month == o.month && day == o.day && hour == o.hour &&
               minute == o.minute && second == o.second;
    }
};

// "%d年%d月%d日" then "%d时%d分%d秒", "%d时%d分" or "%d时": the shortest that keeps every non-zero
// field; nothing at midnight.
std::string format_time_text(const DateTime& t);

// Reads the written form back (missing parts are 0). Also accepts "-", "/" or "." between the date
// parts, ":" between the time parts and blanks between date and time. Text that is no valid date
// and time gives 100-01-01 00:00:00; dates are clamped to 100-01-01 … 9999-12-31 23:59:59.
DateTime parse_time_text(std::string_view text);

// Whole seconds since 1899-12-30 00:00:00 (negative before it).
int64_t to_seconds(const DateTime& t);

// The current local date and time; tests replace the clock.
DateTime now_local();
void set_clock_for_tests(std::function<DateTime()> clock);  // empty function restores the real clock

// The time text of now.
inline std::string current_time_text() { return format_time_text(now_local()); }
