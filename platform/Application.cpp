// SPDX-License-Identifier: MIT
// The process's application object.
#include "platform/Application.h"

#include <cstdio>
#include <cstdlib>

namespace vorlan {

namespace {
Application* current = nullptr;
}

int DefaultButton(unsigned style) {
    const bool second = (style & MB_DEFBUTTON2) != 0;
    switch (style & kButtonsMask) {
        case MB_OKCANCEL:
            return second ? IDCANCEL : IDOK;
        case MB_YESNOCANCEL:
            return second ? IDNO : IDYES;
        default:
            return IDOK;
    }
}

Application& App() {
    if (current == nullptr) {
        std::fputs("vorlan: the application object is used before it was set\n", stderr);
        std::abort();
    }
    return *current;
}

void SetApp(Application* app) {
    current = app;
}

}  // namespace vorlan
