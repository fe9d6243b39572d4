#include "sync/pacing.h"

#include "sync/shared_by_key.h"

#include <chrono>
#include <thread>

namespace syncing {

Clock steady_clock() {
    return {[] {
                return static_cast<int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::steady_clock::now().time_since_epoch())
                                                .count());
            },
            [](int64_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }};
}

bool asks_to_wait(const HttpResponse& r) {
    if (r.error != HttpResponse::Error::none) return false;
    return r.status == 503 || r.status == 429 ||
           (r.status == 401 && r.body.find("BlockedTemporarily") != std::string::npos);
}

std::shared_ptr<PacingWindow> shared_pacing_window(const std::string& account) {
    return shared_by_key<PacingWindow>(account);
}

// Another Pacer may take the room while this one sleeps: the window is looked at again after.
bool Pacer::wait_for_room() {
    for (;;) {
        int64_t wait = 0;
        {
            std::lock_guard<std::mutex> lock(window_->mutex);
            std::deque<int64_t>& sent = window_->sent;
            const int64_t now = clock_.now_ms();
            while (!sent.empty() && now - sent.front() >= rules_.window_ms) sent.pop_front();
            if (static_cast<int>(sent.size()) < rules_.window_requests) {
                sent.push_back(now);
                return true;
            }
            wait = sent.front() + rules_.window_ms - now;
        }
        if (wait > rules_.longest_wait_ms) return false;
        clock_.sleep_ms(wait);
    }
}

int64_t Pacer::backoff_ms(const HttpResponse& response, int attempt) const {
    const std::string after = response.header("Retry-After");
    if (!after.empty() && after.size() < 7 && after.find_first_not_of("0123456789") == std::string::npos)
        return std::stoll(after) * 1000;
    return rules_.first_backoff_ms << attempt;
}

HttpResponse Pacer::send(HttpTransport& transport, const HttpRequest& request, uint64_t limit,
                         fs::OutputFile* download, bool* gave_up) {
    *gave_up = false;
    HttpResponse response;
    for (int attempt = 0;; ++attempt) {
        if (!wait_for_room()) {
            *gave_up = true;
            response = HttpResponse{};
            response.status = 429;
            return response;
        }
        response = transport.send(request, limit, download);
        if (!asks_to_wait(response) || attempt >= rules_.retries) return response;
        const int64_t wait = backoff_ms(response, attempt);
        if (wait > rules_.longest_wait_ms) return *gave_up = true, response;
        clock_.sleep_ms(wait);
    }
}

}  // namespace syncing
