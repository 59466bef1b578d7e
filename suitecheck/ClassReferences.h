// SPDX-License-Identifier: MIT
// The classes a class file names, as a virtual machine may have to load
// them: its superclass and interfaces, every class of its constant pool and
// of its field and method descriptors, and what its static initialiser
// names (run when the class is first used, so needed for the class to work).
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vorlan {

struct ClassReferences {
    std::string name;        // the class the file defines
    std::string superclass;  // empty for none (java/lang/Object)
    std::vector<std::string> interfaces;
    std::set<std::string> named;           // every class the file names, itself aside
    std::set<std::string> namedAtStartUp;  // the classes its static initialiser's code names
};

// The classes the class file in bytes names, by internal name
// ("java/lang/String"; arrays give their element class). Nothing when the
// bytes are no class file from the start: no 0xCAFEBABE, or a this_class
// that names no class (common among the files of damaged suites, and told
// without the cost of an exception); std::runtime_error for damage further in.
std::optional<ClassReferences> ReadClassReferences(std::string_view bytes);

}  // namespace vorlan
