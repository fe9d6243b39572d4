#pragma once
// Living within a server's limits: requests paced over a sliding window (坚果云 allows about 600
// per 30 minutes on a free account), and answers that ask to wait — 503, 429, and a 401 whose
// body says the account is blocked for a while — retried after a back-off. A wait longer than the
// caller allows is not slept: the request is given up as throttled.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "sync/http.h"

namespace syncing {

// The time seam: milliseconds on a steady clock, and a sleep.
struct Clock {
    std::function<int64_t()> now_ms;
    std::function<void(int64_t)> sleep_ms;
};
Clock steady_clock();

struct PacingRules {
    int window_requests = 540;  // a margin below 600
    int64_t window_ms = 30 * 60 * 1000;
    int retries = 3;                      // after the first try
    int64_t first_backoff_ms = 2000;      // doubled each retry, or the server's Retry-After
    int64_t longest_wait_ms = 60 * 1000;  // beyond this a call gives up instead of waiting
};

// Whether the server asks to wait rather than refuses: 503, 429, or a temporary block.
bool asks_to_wait(const HttpResponse& response);

// The requests sent to one account within the window. The server counts them all, so every Pacer
// of that account in the process — uploads, the history's listing, the check before playing —
// counts them together.
struct PacingWindow {
    std::mutex mutex;
    std::deque<int64_t> sent;  // times of the requests in the window
};
std::shared_ptr<PacingWindow> shared_pacing_window(const std::string& account);

class Pacer {
   public:
    // Without a shared window the Pacer keeps one of its own.
    Pacer(PacingRules rules, Clock clock, std::shared_ptr<PacingWindow> window = nullptr)
        : rules_(rules), clock_(std::move(clock)), window_(window ? std::move(window) : std::make_shared<PacingWindow>()) {}
    // Sends through `transport`, waiting for room in the window and retrying while the server
    // asks to wait. The last answer comes back; `gave_up` tells that waiting was cut short.
    HttpResponse send(HttpTransport& transport, const HttpRequest& request, uint64_t limit,
                      fs::OutputFile* download, bool* gave_up);

   private:
    bool wait_for_room();
    int64_t backoff_ms(const HttpResponse& response, int attempt) const;

    PacingRules rules_;
    Clock clock_;
    std::shared_ptr<PacingWindow> window_;
};

}  // namespace syncing
