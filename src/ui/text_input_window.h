#pragma once
// A small modal window that asks for one line of text ("确定" / "取消").
#include <optional>
#include <string>

#include "ui/prompt.h"

namespace text_input {
enum Control : int {
    kLabel = 100,
    kEdit,
    kOkButton = 1,      // IDOK: Enter
    kCancelButton = 2,  // IDCANCEL: Esc
};
}  // namespace text_input

std::optional<std::string> ask_text_window(const TextRequest& request);
