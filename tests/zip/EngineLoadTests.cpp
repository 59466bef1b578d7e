// SPDX-License-Identifier: MIT
// Binding the engine modules: where they are looked for, modules that are
// missing or lack an entry, and the process-wide handles all components share.
#include <cstring>

#include "tests/zip/ZipTestSupport.h"
#include "zip/EngineBinding.h"
#include "zip/EngineModule.h"

namespace vorlan::test {
namespace {

using EngineLoadTest = ZipTest;

TEST_F(EngineLoadTest, LibraryDirWithOrWithoutSlashFindsTheSameModules) {
    for (std::string folder :
         {std::string(FAKE_ENGINE_DIR), std::string(FAKE_ENGINE_DIR).substr(0, std::strlen(FAKE_ENGINE_DIR) - 1)}) {
        TZip zip;
        zip.LibraryDir = folder;
        EXPECT_TRUE(zip.LoadZipDll()) << folder;
        EXPECT_TRUE(zip.LoadUnzDll()) << folder;
        EXPECT_TRUE(ModuleIsLoaded(FakeEnginePath("ZipDll.so")));
        EXPECT_TRUE(ModuleIsLoaded(FakeEnginePath("UnZDll.so")));
    }
}

TEST_F(EngineLoadTest, ModuleLackingItsVersionEntryIsNotLoadableAndReleased) {
    TZip zip;
    zip.LibraryDir = FAKE_ENGINE_WITHOUT_VERSION_DIR;
    EXPECT_FALSE(zip.LoadZipDll());
    EXPECT_FALSE(zip.LoadUnzDll());
    EXPECT_FALSE(ModuleIsLoaded(EngineWithoutVersionPath("ZipDll.so")));
    EXPECT_EQ(ZipEngineExec(), nullptr);

    const EngineModule module =
        EngineModule::Load(EngineWithoutVersionPath("ZipDll.so"), {"ZipDllExec", "GetZipDllVersion"});
    EXPECT_EQ(module.Failure(), ModuleLoadFailure::MissingEntry);
    EXPECT_FALSE(module.Loaded());
}

TEST_F(EngineLoadTest, MissingModuleIsAMissingFile) {
    const EngineModule module = EngineModule::Load(dir.str() + "/ZipDll.so", {"ZipDllExec"});
    EXPECT_EQ(module.Failure(), ModuleLoadFailure::MissingFile);
    EXPECT_FALSE(module.FailureDetail().empty());
    TZip zip;
    zip.LibraryDir = dir.str();
    EXPECT_FALSE(zip.LoadZipDll());
}

TEST_F(EngineLoadTest, EmptyLibraryDirLooksBesideTheExecutable) {
    // The test program's folder holds no engine modules, so nothing loads,
    // even though the fake modules are loadable from their own folder.
    TZip zip;
    EXPECT_FALSE(zip.LoadZipDll());
    zip.LibraryDir = FAKE_ENGINE_DIR;
    EXPECT_TRUE(zip.LoadZipDll());
}

TEST_F(EngineLoadTest, SecondLoadKeepsTheFirstModule) {
    TZip zip;
    zip.LibraryDir = FAKE_ENGINE_DIR;
    ASSERT_TRUE(zip.LoadZipDll());
    const ZipDllExecProc first = ZipEngineExec();
    zip.LibraryDir = dir.str();  // nothing there: a second load must not look
    EXPECT_TRUE(zip.LoadZipDll());
    EXPECT_EQ(ZipEngineExec(), first);
}

TEST_F(EngineLoadTest, DestroyingOneComponentUnloadsTheEnginesOfAll) {
    TZip survivor;
    survivor.LibraryDir = FAKE_ENGINE_DIR;
    {
        TZip other;
        other.LibraryDir = FAKE_ENGINE_DIR;
        ASSERT_TRUE(other.LoadZipDll());
        ASSERT_TRUE(other.LoadUnzDll());
    }
    EXPECT_EQ(ZipEngineExec(), nullptr);
    EXPECT_EQ(UnzEngineExec(), nullptr);
    EXPECT_FALSE(ModuleIsLoaded(FakeEnginePath("ZipDll.so")));
    EXPECT_FALSE(ModuleIsLoaded(FakeEnginePath("UnZDll.so")));
    EXPECT_TRUE(survivor.LoadZipDll());
    EXPECT_TRUE(ModuleIsLoaded(FakeEnginePath("ZipDll.so")));
}

TEST_F(EngineLoadTest, OperationsNameTheModuleThatCannotBeLoaded) {
    TZip zip;
    zip.LibraryDir = dir.str();
    zip.SetZipFileName(WriteArchive("one.zip", OneEntryArchive()));
    zip.FileSpecs() = {"x"};
    try {
        zip.Extract();
        ADD_FAILURE() << "extracted without an engine";
    } catch (const ZipException& error) {
        EXPECT_STREQ(error.what(), "Unable to load \"UnzDll.so\".");
    }
    try {
        zip.AddBaseDir = dir.str();
        zip.Add();
        ADD_FAILURE() << "added without an engine";
    } catch (const ZipException& error) {
        EXPECT_STREQ(error.what(), "Unable to load \"ZipDll.so\".");
    }
    EXPECT_EQ(zip.FileSpecs(), std::vector<std::string>{"x"});
    EXPECT_EQ(zip.AddBaseDir, dir.str());
}

}  // namespace
}  // namespace vorlan::test
