// The process's application object.
#include "platform/Application.h"

#include <cstdio>
#include <cstdlib>

namespace vorlan {

namespace {
Application* current = nullptr;
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
