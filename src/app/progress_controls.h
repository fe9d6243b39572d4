#pragma once
// The progress of work the user waits for, in a window's progress bar and two labels.
#include <windows.h>

#include "backup/operations.h"

class ProgressControls : public backup::ProgressView {
   public:
    ProgressControls() = default;
    ProgressControls(HWND window, int bar, int status, int counter)
        : window_(window), bar_(bar), status_(status), counter_(counter) {}
    void set_percent(int percent) override;
    void set_status(const std::string& text) override;   // the entry in work, then what was done
    void set_counter(const std::string& text) override;  // "k/N"

   private:
    HWND window_ = nullptr;
    int bar_ = 0, status_ = 0, counter_ = 0;
};
