// SPDX-License-Identifier: MIT
// Fault trial scenes: pristine suites, the undisturbed result, the checks.
#include "tests/faults/FaultScene.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/TestTools.h"
#include "tests/support/ZipEdits.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {

namespace {

std::string Noise(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string Manifest(const std::string& name) {
    return "Manifest-Version: 1.0\r\nMIDlet-Name: " + name + "\r\nMIDlet-Version: 1.0\r\nMIDlet-Vendor: Tests\r\n" +
           "MIDlet-1: " + name + ", /i.png, game.Main\r\n";
}

std::string Suite(const std::string& name, unsigned seed) {
    return ZipArchive{"",
                      {DeflatedEntry("META-INF/MANIFEST.MF", Manifest(name)),
                       DeflatedEntry("game/Main.class", Noise(6000, seed) + std::string(6000, 'm'))}}
        .bytes();
}

std::vector<std::string> SuiteNames(SceneMode mode) {
    if (mode != SceneMode::BuildFix) return {"a.jar", "b.jar", "c.jar", "c.jad"};
    return {"a.jar", "b.jar", "b.jad", "d.jad"};
}

// The archive with every entry's DOS time and date zeroed, in its local and
// central header (APPNOTE 4.3.7, 4.3.12).
std::string WithoutTimes(std::string bytes) {
    const std::size_t end = bytes.rfind(std::string("PK\x05\x06", 4));
    if (end == std::string::npos || end + kEndRecordLength > bytes.size()) return bytes;
    const std::uint16_t entries = Get16At(bytes, end + kEndTotalEntries);
    const std::size_t comment = bytes.size() - end - kEndRecordLength;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t central = CentralHeaderOffset(bytes, i, comment);
        const std::size_t local = Get32At(bytes, central + kCentralLocalHeaderOffset);
        Put32At(bytes, central + 12, 0);
        Put32At(bytes, local + 10, 0);
    }
    return bytes;
}

}  // namespace

Snapshot TakeSnapshot(const fs::path& folder) {
    Snapshot files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file()) files[entry.path().filename().string()] = ReadFile(entry.path());
    return files;
}

FaultScene::FaultScene(const fs::path& root, SceneMode mode, int jobs) : root_(root), mode_(mode), jobs_(jobs) {
    const fs::path pristine = root_ / "pristine";
    unsigned seed = 1;
    for (const std::string& name : SuiteNames(mode)) {
        const std::string title(1, static_cast<char>(std::toupper(name[0])));
        const fs::path jar = pristine / (name.substr(0, name.size() - 3) + "jar");
        // A descriptor beside its JAR agrees with it; one alone names a JAR of one byte.
        const std::string size = fs::exists(jar) ? std::to_string(fs::file_size(jar)) : "1";
        if (name.ends_with(".jad"))
            WriteFile(pristine / name, Manifest(title) + "MIDlet-Jar-Size: " + size +
                                           "\r\nMIDlet-Jar-URL: " + jar.filename().string() + "\r\n");
        else
            WriteFile(pristine / name, Suite(title, seed++));
    }
    WriteFile(root_ / "API/api.zip", ZipArchive{"",
                                                {StoredEntry("api/Big.class", Noise(200000, 99)),
                                                 DeflatedEntry("api/Small.class", std::string(1000, 's'))}}
                                         .bytes());
    before_ = TakeSnapshot(pristine);
    const fs::path reference = root_ / "reference";
    const ChildResult result = Run(reference, {});
    if (result.status != 0) throw std::runtime_error("the undisturbed run failed: " + result.errors);
    after_ = TakeSnapshot(reference);
    for (const auto& [name, bytes] : after_)
        if (name.ends_with(".jar") && !IsValidJar(bytes))
            throw std::runtime_error(name + " of the undisturbed run is invalid");
}

std::vector<std::string> FaultScene::Arguments(const fs::path& folder) const {
    std::vector<std::string> argv{
        VorlanBatchProgram(),     "--mode",         mode_ == SceneMode::BuildFix ? "1" : "0",        "--api-dir",
        (root_ / "API").string(), "--fix-template", std::string(VORLAN_SOURCE_DIR) + "/data/fix.jar"};
    if (mode_ == SceneMode::GenerateJad) argv.insert(argv.end(), {"--api", "api.zip"});
    if (jobs_ > 1) argv.insert(argv.end(), {"--jobs", std::to_string(jobs_)});
    // A descriptor beside its JAR is reached through the JAR.
    for (const auto& [name, bytes] : before_)
        if (!name.ends_with(".jad") || before_.count(name.substr(0, name.size() - 3) + "jar") == 0)
            argv.push_back((folder / name).string());
    return argv;
}

ChildResult FaultScene::Run(const fs::path& folder, ChildOptions options) const {
    fs::remove_all(folder);
    fs::create_directories(folder / "runtime");
    for (const auto& [name, bytes] : before_) WriteFile(folder / name, bytes);
    options.workDir = folder;
    // The scratch root goes below the trial's own folder: what a killed run
    // leaves there is in sight, and the next run finds it.
    options.environment["XDG_RUNTIME_DIR"] = (folder / "runtime").string();
    return RunChild(Arguments(folder), options);
}

ChildResult FaultScene::RunAgain(const fs::path& folder) const {
    ChildOptions options;
    options.workDir = folder;
    options.environment["XDG_RUNTIME_DIR"] = (folder / "runtime").string();
    return RunChild(Arguments(folder), options);
}

// Read back by unzip -t and by Java's JarFile once per distinct content; a
// fix suite made a few seconds later differs in its entries' times only.
bool FaultScene::IsValidJar(const std::string& bytes) {
    const std::string key = WithoutTimes(bytes);
    if (const auto known = jarVerdicts_.find(key); known != jarVerdicts_.end()) return known->second;
    const fs::path probe = root_ / "probe.jar";
    WriteFile(probe, bytes);
    bool valid = UnzipTestPasses(probe);
    try {
        const std::vector<std::string> attributes = JavaReadManifest(probe);
        const bool fix = std::find(attributes.begin(), attributes.end(), "MIDlet-Version: 9.9.9") != attributes.end();
        valid = valid && (mode_ != SceneMode::BuildFix || fix);
    } catch (const std::exception&) {
        valid = false;
    }
    jarVerdicts_[key] = valid;
    return valid;
}

void FaultScene::CheckFile(const std::string& name, const std::string& bytes, bool apiLeftOut) {
    const auto old = before_.find(name);
    const auto done = after_.find(name);
    const bool asBefore = old != before_.end() && bytes == old->second;
    const bool asAfter = done != after_.end() && bytes == done->second;
    if (asBefore || asAfter) return;
    const bool anyValidJar = mode_ == SceneMode::BuildFix || apiLeftOut;
    const bool valid = name.ends_with(".jar") ? anyValidJar && IsValidJar(bytes) : apiLeftOut;
    EXPECT_TRUE(valid) << name << " is neither as it was nor complete";
}

std::vector<std::string> FaultScene::CheckBeforeOrAfter(const fs::path& folder, const ChildResult& run) {
    const bool apiLeftOut = run.errors.find("left out") != std::string::npos;
    const Snapshot now = TakeSnapshot(folder);
    std::vector<std::string> leftBehind;
    for (const auto& [name, bytes] : now) {
        if (before_.count(name) == 0 && after_.count(name) == 0)
            leftBehind.push_back(name);
        else
            CheckFile(name, bytes, apiLeftOut);
    }
    for (const auto& [name, bytes] : before_) EXPECT_EQ(now.count(name), 1u) << name << " was lost";
    CheckDescriptors(now);
    return leftBehind;
}

// A descriptor is only ever new beside its new JAR: it states the JAR's size.
void FaultScene::CheckDescriptors(const Snapshot& now) const {
    for (const auto& [name, bytes] : now) {
        const bool old = before_.count(name) != 0 && bytes == before_.at(name);
        if (!name.ends_with(".jad") || old) continue;
        const std::string jar = name.substr(0, name.size() - 3) + "jar";
        ASSERT_EQ(now.count(jar), 1u) << name << " without its JAR";
        EXPECT_NE(bytes.find("MIDlet-Jar-Size: " + std::to_string(now.at(jar).size()) + "\r\n"), std::string::npos)
            << name << " does not describe the JAR beside it";
    }
}

ChildResult FaultScene::RunTraced(const fs::path& folder, const fs::path& trace) const {
    fs::remove_all(folder);
    fs::create_directories(folder / "runtime");
    for (const auto& [name, bytes] : before_) WriteFile(folder / name, bytes);
    ChildOptions options;
    options.workDir = folder;
    options.environment["XDG_RUNTIME_DIR"] = (folder / "runtime").string();
    // LeakSanitizer cannot work under ptrace: a sanitized build is traced
    // without it (the other tests run the same program with it).
    options.environment["ASAN_OPTIONS"] = "detect_leaks=0:abort_on_error=1";
    std::vector<std::string> argv{
        "strace", "-f",
        "-qq",    "-y",
        "-o",     trace.string(),
        "-e",     "signal=none",
        "-e",     "trace=write,pwrite64,writev,close,fsync,fdatasync,syncfs,rename,renameat,renameat2,link,linkat"};
    const std::vector<std::string> batch = Arguments(folder);
    argv.insert(argv.end(), batch.begin(), batch.end());
    return RunChild(argv, options);
}

ChildResult FaultScene::RunInFolderOnly(const fs::path& folder) const {
    const fs::path entry = folder / "entering.jar";
    WriteFile(entry, ZipArchive{"", {StoredEntry("g/G.class", "no manifest")}}.bytes());
    ChildOptions options;
    options.workDir = folder;
    options.environment["XDG_RUNTIME_DIR"] = (folder / "runtime").string();
    const ChildResult result =
        RunChild({VorlanBatchProgram(), "--mode", "0", "--api-dir", (root_ / "API").string(), entry.string()}, options);
    fs::remove(entry);
    return result;
}

void FaultScene::CheckSuitesAgree(const fs::path& folder) const {
    const Snapshot now = TakeSnapshot(folder);
    for (const auto& [name, bytes] : now) {
        const std::string jar = name.substr(0, name.size() - 3) + "jar";
        if (!name.ends_with(".jad") || now.count(jar) == 0) continue;
        EXPECT_NE(bytes.find("MIDlet-Jar-Size: " + std::to_string(now.at(jar).size()) + "\r\n"), std::string::npos)
            << name << " and " << jar << " disagree";
    }
}

bool FaultScene::IsCompleteResult(const std::string& bytes) {
    for (const auto& [name, done] : after_)
        if (bytes == done) return true;
    return mode_ == SceneMode::BuildFix && bytes.rfind("PK", 0) == 0 && IsValidJar(bytes);
}

void FaultScene::CheckComplete(const fs::path& folder) {
    const Snapshot now = TakeSnapshot(folder);
    for (const auto& [name, bytes] : after_) {
        ASSERT_EQ(now.count(name), 1u) << name << " missing after a complete run";
        if (mode_ != SceneMode::BuildFix) {
            EXPECT_TRUE(now.at(name) == bytes) << name << " differs from the undisturbed run's";
        } else if (name.ends_with(".jar")) {
            EXPECT_TRUE(IsValidJar(now.at(name))) << name << " is no valid fix suite";
        }
    }
    CheckDescriptors(now);
}

}  // namespace vorlan::test
