// SPDX-License-Identifier: MIT
// Whether every replaced JAR and JAD reaches the disk before its name does,
// read from the system calls of a real run (strace): no rename or link onto
// a JAR or JAD of the suites' folder while data written into that folder is
// not yet flushed (syncfs, or fsync / fdatasync of the file written), and a
// flush of the folder itself after its new names.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "tests/faults/FaultScene.h"
#include "tests/support/TestTools.h"

namespace vorlan::test {
namespace {

struct Call {
    std::string name;
    std::vector<std::string> arguments;
};

// "123 renameat(7</s>, \".a.jar.vorlan-x\", 7</s>, \"a.jar\") = 0": the call
// and its arguments, for calls that succeeded.
std::optional<Call> ParseLine(const std::string& line) {
    static const std::regex kCall(R"(^\d+ +(\w+)\((.*)\) += (-?\d+))");
    std::smatch match;
    if (!std::regex_search(line, match, kCall) || match[3] == "-1") return std::nullopt;
    Call call{match[1], {}};
    const std::string arguments = match[2];
    std::string current;
    bool quoted = false;
    int angles = 0;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const char c = arguments[i];
        if (c == '\\' && i + 1 < arguments.size()) {
            current += arguments[++i];
            continue;
        }
        if (c == '"') quoted = !quoted;
        if (!quoted && c == '<') ++angles;
        if (!quoted && c == '>') --angles;
        if (!quoted && angles == 0 && c == ',') {
            call.arguments.push_back(current);
            current.clear();
            if (i + 1 < arguments.size() && arguments[i + 1] == ' ') ++i;
            continue;
        }
        current += c;
    }
    call.arguments.push_back(current);
    return call;
}

// strace -f splits a call that another thread's call interrupts:
// "12 syncfs(5</s> <unfinished ...>", later "12 <... syncfs resumed>) = 0".
// The call is whole at the second line, where it returned.
class CallJoiner {
public:
    std::string Join(const std::string& line) {
        static const std::regex kUnfinished(R"(^(\d+) +(.*) <unfinished \.\.\.>$)");
        static const std::regex kResumed(R"(^(\d+) +<\.\.\. \w+ resumed>(.*)$)");
        std::smatch match;
        if (std::regex_match(line, match, kUnfinished)) {
            begun_[match[1]] = match[1].str() + " " + match[2].str();
            return {};
        }
        if (!std::regex_match(line, match, kResumed)) return line;
        const auto begun = begun_.find(match[1]);
        if (begun == begun_.end()) return {};
        const std::string whole = begun->second + match[2].str();
        begun_.erase(begun);
        return whole;
    }

private:
    std::map<std::string, std::string> begun_;  // thread -> its call's first part
};

// "7</s/a.jar>": the path strace gives for the descriptor.
std::string PathOfDescriptor(const std::string& argument) {
    const std::size_t open = argument.find('<');
    return open == std::string::npos ? std::string() : argument.substr(open + 1, argument.size() - open - 2);
}

std::string Unquoted(const std::string& argument) {
    return argument.size() >= 2 && argument.front() == '"' ? argument.substr(1, argument.size() - 2) : argument;
}

class DurabilityTrace : public ::testing::TestWithParam<SceneMode> {
protected:
    // The faults found in the trace of a run over folder.
    std::vector<std::string> Check(const fs::path& trace, const fs::path& folder) {
        const std::string inFolder = fs::canonical(folder).string() + "/";
        // Files of the folder itself, not of the scratch root below it.
        const auto ofFolder = [&inFolder](const std::string& path) {
            return path.rfind(inFolder, 0) == 0 && path.find('/', inFolder.size()) == std::string::npos;
        };
        std::map<std::string, std::string> unflushed;  // descriptor ("7") -> its file, written since its last flush
        std::set<std::string> unflushedClosed;         // files closed with data not yet flushed
        std::vector<std::string> faults;
        bool folderFlushOwed = false;
        std::ifstream lines(trace);
        CallJoiner joiner;
        for (std::string line; std::getline(lines, line);) {
            line = joiner.Join(line);
            const std::optional<Call> call = ParseLine(line);
            if (!call) continue;
            const std::string fd = call->arguments.front().substr(0, call->arguments.front().find('<'));
            const std::string path = PathOfDescriptor(call->arguments.front());
            if (call->name == "write" || call->name == "pwrite64" || call->name == "writev") {
                if (ofFolder(path)) unflushed[fd] = path;
            } else if (call->name == "close") {
                if (unflushed.count(fd) != 0) unflushedClosed.insert(unflushed[fd]);
                unflushed.erase(fd);
            } else if (call->name == "fsync" || call->name == "fdatasync") {
                unflushed.erase(fd);
                if (path + "/" == inFolder) folderFlushOwed = false;
            } else if (call->name == "syncfs") {
                unflushed.clear();
                unflushedClosed.clear();
            } else if (call->name.starts_with("rename") || call->name.starts_with("link")) {
                // rename(old, new) or renameat(folder, old, folder, new), and
                // the same of link and linkat (a new file's one naming): the
                // JARs and JADs of the suites' folder only.
                const bool at = call->arguments.size() > 2;
                const std::string target = Unquoted(at ? call->arguments[3] : call->arguments[1]);
                const std::string targetPath = at ? PathOfDescriptor(call->arguments[2]) + "/" + target : target;
                if (!ofFolder(targetPath) || (!target.ends_with(".jar") && !target.ends_with(".jad"))) continue;
                if (!unflushed.empty() || !unflushedClosed.empty())
                    faults.push_back("named " + target + " before its data was flushed: " + line);
                folderFlushOwed = true;
            }
        }
        if (folderFlushOwed) faults.push_back("the folder was not flushed after its new names");
        return faults;
    }

    TempDir work_;
    FaultScene scene_{work_.path(), GetParam()};
};

TEST_P(DurabilityTrace, EveryNameComesAfterTheFlushOfItsDataAndTheFolderIsFlushedAfter) {
    const fs::path folder = work_ / "traced";
    const ChildResult result = scene_.RunTraced(folder, work_ / "trace");
    ASSERT_EQ(result.status, 0) << result.errors;
    scene_.CheckComplete(folder);
    const std::string trace = ReadFile(work_ / "trace");
    ASSERT_NE(trace.find("rename"), std::string::npos) << "the trace shows no renames";
    const std::vector<std::string> faults = Check(work_ / "trace", folder);
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

INSTANTIATE_TEST_SUITE_P(Modes, DurabilityTrace,
                         ::testing::Values(SceneMode::GenerateJad, SceneMode::BuildFix, SceneMode::DescriptorsOnly),
                         [](const ::testing::TestParamInfo<SceneMode>& mode) { return SceneName(mode.param); });

}  // namespace
}  // namespace vorlan::test
