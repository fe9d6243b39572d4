#include "ui/prompt.h"

#include <cstdlib>

namespace {
Prompt* current = nullptr;
}

Prompt& prompt() {
    if (!current) std::abort();  // the program sets the real prompt before any window exists
    return *current;
}

void set_prompt(Prompt* p) { current = p; }
