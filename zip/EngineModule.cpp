// SPDX-License-Identifier: MIT
// Loading and releasing one engine module.
#include "zip/EngineModule.h"

#include <dlfcn.h>

#include <utility>

namespace vorlan {

namespace {

std::string LastLoaderError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown loader error";
}

}  // namespace

EngineModule::~EngineModule() {
    Unload();
}

EngineModule::EngineModule(EngineModule&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      entries_(std::move(other.entries_)),
      failure_(other.failure_),
      failureDetail_(std::move(other.failureDetail_)) {}

EngineModule& EngineModule::operator=(EngineModule&& other) noexcept {
    if (this != &other) {
        Unload();
        handle_ = std::exchange(other.handle_, nullptr);
        entries_ = std::move(other.entries_);
        failure_ = other.failure_;
        failureDetail_ = std::move(other.failureDetail_);
    }
    return *this;
}

EngineModule EngineModule::Load(const std::string& path, const std::vector<std::string>& entryNames) {
    EngineModule module;
    dlerror();
    module.handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module.handle_ == nullptr) {
        module.failure_ = ModuleLoadFailure::MissingFile;
        module.failureDetail_ = LastLoaderError();
        return module;
    }
    for (const std::string& name : entryNames) {
        dlerror();
        void* address = dlsym(module.handle_, name.c_str());
        if (address == nullptr) {
            module.Unload();
            module.failure_ = ModuleLoadFailure::MissingEntry;
            module.failureDetail_ = path + " does not export " + name;
            return module;
        }
        module.entries_.push_back(address);
    }
    return module;
}

void EngineModule::Unload() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
    entries_.clear();
}

}  // namespace vorlan
