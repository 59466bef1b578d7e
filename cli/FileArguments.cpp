// SPDX-License-Identifier: MIT
// The FILE arguments expanded into the entries of the list.
#include "cli/FileArguments.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vorlan {

namespace {

constexpr const char* kFolderWithoutRecursion = "is a folder; use -r to process the suites in it";

std::string BelowArgument(const std::string& argument, const std::string& relative) {
    if (!argument.empty() && argument.back() == '/') return argument + relative;
    return argument + "/" + relative;
}

// Why the argument cannot be a file of the list, or empty when it can. A
// link is taken for what it names: the user gave it.
std::string WhyNotAFile(const std::string& argument, bool& folder) {
    struct stat status {};
    folder = false;
    if (stat(argument.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return "does not exist";
        return std::string("cannot be read: ") + std::strerror(errno);
    }
    folder = S_ISDIR(status.st_mode);
    return {};
}

void AddFolder(std::string argument, SuiteWalkKind kind, const std::vector<FolderId>& left,
               std::vector<BatchFile>& files) {
    std::vector<std::string> found;
    try {
        found = WalkSuites(argument, kind, left);
    } catch (const SuiteWalkError& error) {
        // Nothing of the folder is processed: a partial walk would leave
        // suites out without a line saying so.
        files.push_back({std::move(argument), {}, error.what()});
        return;
    }
    for (std::string& relative : found) {
        std::string shown = BelowArgument(argument, relative);
        files.push_back({std::move(shown), std::move(relative), {}});
    }
}

}  // namespace

std::vector<BatchFile> ExpandFileArguments(std::vector<std::string> arguments, FolderArguments folders,
                                           SuiteWalkKind kind, const std::vector<FolderId>& left) {
    std::vector<BatchFile> files;
    files.reserve(arguments.size());
    for (std::string& argument : arguments) {
        bool folder = false;
        std::string refused = WhyNotAFile(argument, folder);
        if (folder && folders == FolderArguments::Walked) {
            AddFolder(std::move(argument), kind, left, files);
            continue;
        }
        if (folder) refused = kFolderWithoutRecursion;
        std::string name = std::filesystem::path(argument).filename().string();
        files.push_back({std::move(argument), std::move(name), std::move(refused)});
    }
    return files;
}

}  // namespace vorlan
