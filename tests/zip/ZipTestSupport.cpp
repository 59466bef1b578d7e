// SPDX-License-Identifier: MIT
// The archive component tests' shared fixture and fake engine access.
#include "tests/zip/ZipTestSupport.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "tests/support/ZipWriter.h"

namespace vorlan::test {

ZipTest::ZipTest() : savedDirectory_(fs::current_path().string()) {}

ZipTest::~ZipTest() {
    fs::current_path(savedDirectory_);
    TZip::UnloadDlls();
}

std::string ZipTest::WriteArchive(const std::string& name, const std::string& bytes) {
    const fs::path path = dir / name;
    WriteFile(path, bytes);
    return path.string();
}

FakeEngineTest::FakeEngineTest() {
    zip.LibraryDir = FAKE_ENGINE_DIR;
    zip.ShowProgressDialog = false;
    archive = WriteArchive("suite.jar", OneEntryArchive());
    zip.SetZipFileName(archive);
}

std::unique_ptr<FakeEngine> FakeEngineTest::FakeUnzip(std::int32_t result, const std::vector<FakeEngineStep>& steps) {
    EXPECT_TRUE(zip.LoadUnzDll());
    auto engine = std::make_unique<FakeEngine>(FakeEnginePath("UnZDll.so"));
    engine->SetScript(steps, result);
    return engine;
}

std::unique_ptr<FakeEngine> FakeEngineTest::FakeZip(std::int32_t result, const std::vector<FakeEngineStep>& steps) {
    EXPECT_TRUE(zip.LoadZipDll());
    auto engine = std::make_unique<FakeEngine>(FakeEnginePath("ZipDll.so"));
    engine->SetScript(steps, result);
    return engine;
}

std::string FakeEnginePath(const char* fileName) {
    return std::string(FAKE_ENGINE_DIR) + fileName;
}

std::string EngineWithoutVersionPath(const char* fileName) {
    return std::string(FAKE_ENGINE_WITHOUT_VERSION_DIR) + fileName;
}

bool ModuleIsLoaded(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    dlclose(handle);
    return true;
}

namespace {

template <typename Procedure>
Procedure Lookup(void* handle, const char* name) {
    void* address = dlsym(handle, name);
    if (address == nullptr) throw std::runtime_error(std::string("fake engine lacks ") + name);
    Procedure procedure = nullptr;
    std::memcpy(&procedure, &address, sizeof procedure);
    return procedure;
}

}  // namespace

FakeEngine::FakeEngine(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle_ == nullptr) throw std::runtime_error("the component has not loaded " + path);
    setScript_ = Lookup<FakeEngineSetScriptProc>(handle_, "FakeEngineSetScript");
    getLog_ = Lookup<FakeEngineGetLogProc>(handle_, "FakeEngineGetLog");
}

FakeEngine::~FakeEngine() {
    if (handle_ != nullptr) dlclose(handle_);
}

void FakeEngine::SetScript(const std::vector<FakeEngineStep>& steps, std::int32_t result) {
    if (steps.size() > FAKE_ENGINE_MAX_STEPS) throw std::runtime_error("fake engine script too long");
    FakeEngineScript script;
    std::memset(&script, 0, sizeof script);
    script.StepCount = static_cast<std::int32_t>(steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) script.Steps[i] = steps[i];
    script.Result = result;
    setScript_(&script);
}

const FakeEngineLog& FakeEngine::Log() const {
    return *getLog_();
}

FakeEngineStep Step(std::uint32_t action, std::int32_t value, const std::string& text, std::int32_t status) {
    FakeEngineStep step;
    std::memset(&step, 0, sizeof step);
    step.ActionCode = action;
    step.Value = value;
    step.Status = status;
    std::strncpy(step.Text, text.c_str(), CALLBACK_TEXT_SIZE - 1);
    return step;
}

std::string OneEntryArchive() {
    return ZipArchive{"", {StoredEntry("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n")}}.bytes();
}

std::vector<std::string> EntryNames(const TZip& zip) {
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < zip.EntryCount(); ++i) {
        TFileInfo info;
        zip.GetEntry(i, info);
        names.push_back(info.FileName);
    }
    return names;
}

}  // namespace vorlan::test
