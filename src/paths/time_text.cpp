#include "paths/time_text.h"

#include <cstdio>
#include <ctime>
#include <vector>

namespace {

std::function<DateTime()>& clock_override() {
    static std::function<DateTime()> clock;
    return clock;
}

bool is_leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && is_leap(y) ? 29 : days[m - 1];
}

// Days from 1970-01-01 to y-m-d in the proleptic Gregorian calendar.
int64_t days_from_civil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

const int64_t kEpochShift = 25569;  // days from 1899-12-30 to 1970-01-01

// A cursor over the text that reads numbers and the separators between them.
struct Reader {
    std::string_view s;
    size_t i = 0;
    bool at_end() const { return i >= s.size(); }
    void skip_blanks() {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    }
    bool number(long& out) {
        size_t start = i;
        out = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 9) out = out * 10 + (s[i++] - '0');
        return i > start && !(i < s.size() && s[i] >= '0' && s[i] <= '9');
    }
    bool take(const std::vector<const char*>& options) {
        for (const char* o : options) {
            std::string_view w(o);
            if (s.substr(i, w.size()) == w) {
                i += w.size();
                return true;
            }
        }
        return false;
    }
};

bool read_date(Reader& r, long f[3]) {
    const std::vector<const char*> date_seps{"年", "月", "-", "/", "."};
    if (!r.number(f[0]) || !r.take(date_seps)) return false;
    if (!r.number(f[1]) || !r.take(date_seps)) return false;
    if (!r.number(f[2])) return false;
    r.take({"日"});
    return true;
}

// Hour, then optional minute and second; a unit mark or ":" follows each.
bool read_time(Reader& r, long f[3]) {
    const std::vector<const char*> marks[3] = {{"时", ":"}, {"分", ":"}, {"秒"}};
    for (int k = 0; k < 3; ++k) {
        if (r.at_end()) return true;
        if (!r.number(f[k])) return false;
        if (!r.take(marks[k]) && !r.at_end()) return false;
    }
    return r.at_end();
}

bool valid(const long f[6]) {
    if (f[0] < 1 || f[1] < 1 || f[1] > 12 || f[2] < 1) return false;
    int y = static_cast<int>(f[0] > 99999 ? 99999 : f[0]);
    if (f[2] > days_in_month(y, static_cast<int>(f[1]))) return false;
    return f[3] <= 23 && f[4] <= 59 && f[5] <= 59;
}

}  // namespace

std::string format_time_text(const DateTime& t) {
    char buf[96];
    int n = std::snprintf(buf, sizeof buf, "%d年%d月%d日", t.year, t.month, t.day);
    if (t.second != 0)
        std::snprintf(buf + n, sizeof buf - n, "%d时%d分%d秒", t.hour, t.minute, t.second);
    else if (t.minute != 0)
        std::snprintf(buf + n, sizeof buf - n, "%d时%d分", t.hour, t.minute);
    else if (t.hour != 0)
        std::snprintf(buf + n, sizeof buf - n, "%d时", t.hour);
    return buf;
}

DateTime parse_time_text(std::string_view text) {
    Reader r{text};
    long f[6] = {0, 0, 0, 0, 0, 0};
    r.skip_blanks();
    if (!read_date(r, f)) return DateTime{};
    r.skip_blanks();
    if (!read_time(r, f + 3) || !valid(f)) return DateTime{};
    if (f[0] < 100) return DateTime{};
    if (f[0] > 9999) return DateTime{9999, 12, 31, 23, 59, 59};
    return DateTime{int(f[0]), int(f[1]), int(f[2]), int(f[3]), int(f[4]), int(f[5])};
}

int64_t to_seconds(const DateTime& t) {
    int64_t days = days_from_civil(t.year, t.month, t.day) + kEpochShift;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

DateTime now_local() {
    if (clock_override()) return clock_override()();
    std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void set_clock_for_tests(std::function<DateTime()> clock) { clock_override() = std::move(clock); }
