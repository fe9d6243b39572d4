#include "run/sync_worker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

struct Request {
    std::string list, backup_root, project;
    bool asked = false;
};

}  // namespace

// Shared with the thread, which may outlive the worker object at the program's end.
struct SyncWorker::State {
    SyncSetup setup;
    Host host;
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<Request> queue;
    std::vector<Finished> finished;
    std::string progress;
    bool running = false, stopping = false;
};

SyncWorker::SyncWorker(SyncSetup setup, Host host) : state_(std::make_shared<State>()) {
    state_->setup = std::move(setup);
    state_->host = std::move(host);
    std::thread(run, state_).detach();
}

SyncWorker::~SyncWorker() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopping = true;
    state_->changed.notify_all();
}

void SyncWorker::request(const ProjectFiles& list, const std::string& project, bool asked) {
    if (list.file.empty()) return;
    std::lock_guard<std::mutex> lock(state_->mutex);
    for (Request& r : state_->queue)
        if (r.list == list.file && same_project(r.project, project)) {
            r.asked |= asked;
            return;
        }
    state_->queue.push_back({list.file, list.backup_root, project, asked});
    state_->changed.notify_all();
}

std::vector<SyncWorker::Finished> SyncWorker::take_finished() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    std::vector<Finished> taken;
    taken.swap(state_->finished);
    return taken;
}

std::string SyncWorker::progress() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->progress;
}

bool SyncWorker::busy() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->running || !state_->queue.empty();
}

void SyncWorker::run(std::shared_ptr<State> state) {
    std::unique_lock<std::mutex> lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->stopping || !state->queue.empty(); });
        if (state->stopping) return;
        const Request r = state->queue.front();
        state->queue.pop_front();
        state->running = true;
        lock.unlock();
        if (state->host.background) state->host.background(true);
        const SyncProgress progress = [&](const std::string& project, const std::string& file) {
            std::lock_guard<std::mutex> guard(state->mutex);
            state->progress = "正在上传 " + project + "：" + file;
        };
        SyncReport report =
            upload_pending_sets(state->setup, ProjectFiles{*state->setup.fs, r.list, r.backup_root}, r.project, progress);
        if (state->host.background) state->host.background(false);
        lock.lock();
        state->running = false;
        state->progress.clear();
        state->finished.push_back({std::move(report), r.asked});
        if (state->stopping) return;
        lock.unlock();
        if (state->host.wake) state->host.wake();
        lock.lock();
    }
}
