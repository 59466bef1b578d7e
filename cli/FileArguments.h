// SPDX-License-Identifier: MIT
// The FILE arguments of vorlan-batch as the list of entries: a file stands
// for itself, a folder for the suites in it (with -r), and an argument that
// cannot be processed at all stays in the list as a refused entry, so that
// it fails in its place instead of passing unnoticed.
#pragma once

#include <string>
#include <vector>

#include "cli/ConsoleBatchHost.h"
#include "midlet/SuiteWalk.h"

namespace vorlan {

enum class FolderArguments {
    Refused,  // a folder is an error for that argument
    Walked,   // -r: a folder gives the suites below it, as WalkSuites finds them
};

// The arguments move in: a list of thousands of suites is not kept twice.
// kind says which files a walked folder gives (the mode's); the folders in
// left are not walked into.
std::vector<BatchFile> ExpandFileArguments(std::vector<std::string> arguments, FolderArguments folders,
                                           SuiteWalkKind kind, const std::vector<FolderId>& left = {});

}  // namespace vorlan
