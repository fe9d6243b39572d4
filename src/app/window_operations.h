#pragma once
// The main window's controller of backups, restores and undos, on what it stands on here: the
// window's message queue, the project list that 操作时间 goes into, the real processes, and the
// thread priority Windows gives work nobody waits for.
#include <windows.h>

#include <functional>

#include "config/project_edit.h"
#include "run/operation_control.h"

class WindowOperations {
   public:
    // The window gets kMessage for every wake-up and hands it to deliver(); `settled` runs when
    // an operation has ended and its project is free again.
    // `backed_up` runs on the worker after each backup.
    WindowOperations(HWND window, fs::FileSystem& files, ProjectFiles list, std::function<void()> settled,
                     std::function<void(const backup::ProjectState&, const BackupJobResult&)> backed_up = nullptr);
    static constexpr UINT kMessage = WM_APP + 2;

    OperationControl& control() { return control_; }

   private:
    class Host : public OperationHost {
       public:
        Host(HWND window, std::function<void()> settled) : window_(window), settled_(std::move(settled)) {}
        bool wake() override { return PostMessageA(window_, kMessage, 0, 0) != FALSE; }
        void background(bool on) override;
        void settled() override {
            if (settled_) settled_();
        }

       private:
        HWND window_;
        std::function<void()> settled_;
    };

    Host host_;
    ListStamp stamp_;
    OperationControl control_;  // last: it waits for its workers before the others go
};
