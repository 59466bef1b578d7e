// SPDX-License-Identifier: MIT
// One loaded engine module: a dlopen handle owned with RAII together with the
// addresses of the entries it must export. Loading either gives a module with
// every entry, or none and the reason.
#pragma once

#include <string>
#include <vector>

namespace vorlan {

enum class ModuleLoadFailure {
    None,
    MissingFile,   // the module cannot be loaded (absent, unreadable, not a module)
    MissingEntry,  // it loaded but lacks one of the entries; it was released again
};

class EngineModule {
public:
    EngineModule() = default;
    ~EngineModule();
    EngineModule(EngineModule&& other) noexcept;
    EngineModule& operator=(EngineModule&& other) noexcept;
    EngineModule(const EngineModule&) = delete;
    EngineModule& operator=(const EngineModule&) = delete;

    // Loads the module at path (RTLD_NOW | RTLD_LOCAL) and looks up every
    // entry by name. A module lacking any of them is released again.
    static EngineModule Load(const std::string& path, const std::vector<std::string>& entryNames);

    bool Loaded() const { return handle_ != nullptr; }
    ModuleLoadFailure Failure() const { return failure_; }
    const std::string& FailureDetail() const { return failureDetail_; }

    // The address of the index-th entry named at load time.
    void* Entry(std::size_t index) const { return entries_.at(index); }

    void Unload();

private:
    void* handle_ = nullptr;
    std::vector<void*> entries_;
    ModuleLoadFailure failure_ = ModuleLoadFailure::None;
    std::string failureDetail_;
};

}  // namespace vorlan
