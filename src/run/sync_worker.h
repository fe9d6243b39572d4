#pragma once
// Uploads run here, one after another on a thread of their own at background priority: never on
// the window thread, never beside a game at full speed. The window asks, and is woken to collect
// what finished; the tray reads the progress line.
#include <memory>
#include <string>
#include <vector>

#include "run/sync_service.h"

class SyncWorker {
   public:
    struct Host {
        std::function<void()> wake;             // from the worker: the window is to call take_finished()
        std::function<void(bool on)> background;  // on the worker: lower its priority, and back
    };
    SyncWorker(SyncSetup setup, Host host);
    // Leaves an upload under way to end with the process: what it did not finish stays pending.
    ~SyncWorker();
    SyncWorker(const SyncWorker&) = delete;
    SyncWorker& operator=(const SyncWorker&) = delete;

    // Uploads what is pending of `project` ("": every project) in the list; a request already
    // waiting is not queued twice. `asked`: the user asked, so "nothing to upload" is told too.
    void request(const ProjectFiles& list, const std::string& project, bool asked = false);

    struct Finished {
        SyncReport report;
        bool asked = false;
    };
    std::vector<Finished> take_finished();
    std::string progress() const;  // "" when idle
    bool busy() const;

   private:
    struct State;
    static void run(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};
