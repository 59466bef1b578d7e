// SPDX-License-Identifier: MIT
// The shared folder, its users and the victim's run.
#include "tests/filecommit/SharedFolderScene.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ostream>
#include <stdexcept>

#include "tests/support/ZipWriter.h"

namespace vorlan::test {

namespace {

void Describe(const fs::path& root, const std::string& prefix, std::map<std::string, std::string>& state) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat status {};
        if (::lstat(entry.path().c_str(), &status) != 0) continue;
        std::string text = std::to_string(status.st_uid) + " " + std::to_string(status.st_mode) + " ";
        if (S_ISLNK(status.st_mode))
            text += "-> " + fs::read_symlink(entry.path()).string();
        else if (S_ISREG(status.st_mode))
            text += ReadFile(entry.path());
        state[prefix + fs::relative(entry.path(), root).string()] = text;
    }
}

// Whether other users may run the program where it is: every folder above
// it searchable by all (a clone below /root is not).
bool ReachableByOthers(const fs::path& program) {
    for (fs::path part = program; part != part.parent_path(); part = part.parent_path()) {
        struct stat status {};
        if (::stat(part.c_str(), &status) != 0 || (status.st_mode & S_IXOTH) == 0) return false;
    }
    return true;
}

// vorlan-batch where the victim may run it: where it was built, or else a
// copy, with what it finds beside it, made once for the test program.
std::string VictimsProgram() {
    static const std::string program = [] {
        const fs::path built = VorlanBatchProgram();
        if (ReachableByOthers(built)) return built.string();
        static const TempDir copy;
        fs::permissions(copy.path(), fs::perms(0755));
        for (const char* name : {"vorlan-batch", "ZipDll.so", "UnZDll.so", "fix.jar"})
            fs::copy(built.parent_path() / name, copy / name);
        return (copy / "vorlan-batch").string();
    }();
    return program;
}

}  // namespace

void PrintTo(Victim victim, std::ostream* out) {
    *out << (victim == Victim::root ? "root" : "a user");
}

std::string SuiteJar(const std::string& marker) {
    const std::string manifest =
        "Manifest-Version: 1.0\r\nMIDlet-Name: Game\r\nMIDlet-Vendor: V\r\n"
        "MIDlet-Version: 1.0\r\nMIDlet-1: Game,,g.G\r\n";
    return ZipArchive{"", {StoredEntry("META-INF/MANIFEST.MF", manifest), StoredEntry("g/G.class", marker)}}.bytes();
}

SharedFolderScene::SharedFolderScene(Victim victim, FolderKind kind) : victim_(victim) {
    if (victim == Victim::user) {
        victimUser_.emplace(&attacker_);  // in the attacker's group: the group folder is both users'
        victimUid_ = victimUser_->Uid();
        victimGid_ = victimUser_->Gid();
    }
    fs::permissions(work_.path(), fs::perms(0755));
    shared_ = work_ / "shared";
    outside_ = work_ / "outside";
    runtime_ = work_ / "runtime";
    for (const fs::path& folder : {shared_, outside_, runtime_}) fs::create_directory(folder);
    if (kind == FolderKind::sticky) {
        fs::permissions(shared_, fs::perms(01777));  // root's, as /tmp is
    } else {
        Own(shared_, victimUid_, attacker_.Gid());
        fs::permissions(shared_, fs::perms(02775));
    }
    GiveToVictim(outside_, 0755);
    GiveToVictim(runtime_, 0700);
    WriteFile(work_ / "API/api.zip", ZipArchive{"", {StoredEntry("api/Api.class", "api")}}.bytes());
    WriteFile(outside_ / "victim.jar", SuiteJar("the victim's other suite"));
    GiveToVictim(outside_ / "victim.jar");
    WriteFile(shared_ / "game.jar", SuiteJar("the victim's suite"));
    GiveToVictim(shared_ / "game.jar");
    WriteFile(shared_ / "notes.txt", "the victim's notes");
    GiveToVictim(shared_ / "notes.txt");
}

void SharedFolderScene::Own(const fs::path& path, uid_t uid, gid_t gid) const {
    if (::lchown(path.c_str(), uid, gid) != 0) throw std::runtime_error("cannot give away " + path.string());
}

void SharedFolderScene::Plant(const fs::path& path, const std::string& bytes, mode_t mode) const {
    WriteFile(path, bytes);
    Own(path, attacker_.Uid(), attacker_.Gid());
    fs::permissions(path, fs::perms(mode));
}

void SharedFolderScene::PlantLink(const fs::path& path, const fs::path& target) const {
    fs::create_symlink(target, path);
    Own(path, attacker_.Uid(), attacker_.Gid());
}

void SharedFolderScene::GiveToVictim(const fs::path& path, mode_t mode) const {
    Own(path, victimUid_, victimGid_);
    if (!fs::is_symlink(path)) fs::permissions(path, fs::perms(mode));
}

std::map<std::string, std::string> SharedFolderScene::State() const {
    std::map<std::string, std::string> state;
    Describe(shared_, "shared/", state);
    Describe(outside_, "outside/", state);
    return state;
}

ChildResult SharedFolderScene::RunVictim(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{VictimsProgram(), "--api-dir", (work_ / "API").string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildOptions options;
    options.workDir = shared_;
    options.environment["XDG_RUNTIME_DIR"] = runtime_.string();
    options.environment["XDG_DATA_HOME"] = runtime_.string();  // the test's own may be out of the victim's reach
    return RunChild(victimUser_ ? victimUser_->Command(argv) : argv, options);
}

}  // namespace vorlan::test
