// SPDX-License-Identifier: MIT
// What the archive component's tests share: a fixture with a scripted
// application object and a restored current directory, one with a component
// bound to the fake engine modules, access to those modules, and small
// archive helpers.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/ScriptedApplication.h"
#include "tests/support/TestTools.h"
#include "tests/zip/FakeEngine.h"
#include "zip/TZip.h"

namespace vorlan::test {

// Each test gets a scripted application object titled "Vorlan", a fresh
// folder, and the current directory it started with back at its end (the
// operations change it).
class ZipTest : public ::testing::Test {
protected:
    ZipTest();
    ~ZipTest() override;

    // Writes bytes to a file in the test's folder and gives its path.
    std::string WriteArchive(const std::string& name, const std::string& bytes);

    InstalledApplication app;
    TempDir dir;

private:
    std::string savedDirectory_;
};

std::string FakeEnginePath(const char* fileName);            // in the fake engine folder
std::string EngineWithoutVersionPath(const char* fileName);  // in the folder of modules lacking an entry

// Whether the module at path is loaded in this process.
bool ModuleIsLoaded(const std::string& path);

// The state of a fake engine module the component has loaded.
class FakeEngine {
public:
    explicit FakeEngine(const std::string& path);
    ~FakeEngine();
    FakeEngine(const FakeEngine&) = delete;
    FakeEngine& operator=(const FakeEngine&) = delete;

    void SetScript(const std::vector<FakeEngineStep>& steps, std::int32_t result);
    const FakeEngineLog& Log() const;

private:
    void* handle_ = nullptr;
    FakeEngineSetScriptProc setScript_ = nullptr;
    FakeEngineGetLogProc getLog_ = nullptr;
};

FakeEngineStep Step(std::uint32_t action, std::int32_t value = 0, const std::string& text = "",
                    std::int32_t status = 0);

// A component on an open one-entry archive, "suite.jar" in the test's
// folder, bound to the fake engine modules and showing no progress dialog.
class FakeEngineTest : public ZipTest {
protected:
    FakeEngineTest();

    // Loads the fake engine module the operation will call and gives it a script.
    std::unique_ptr<FakeEngine> FakeUnzip(std::int32_t result, const std::vector<FakeEngineStep>& steps = {});
    std::unique_ptr<FakeEngine> FakeZip(std::int32_t result, const std::vector<FakeEngineStep>& steps = {});

    TZip zip;
    std::string archive;
};

// A one-entry archive written by the tests' zip writer, ready to open.
std::string OneEntryArchive();

// Every entry's name as the component lists it, in directory order.
std::vector<std::string> EntryNames(const TZip& zip);

}  // namespace vorlan::test
