// SPDX-License-Identifier: MIT
// Which archive of the API catalogue provides which class: each archive's
// directory and class files read once.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "midlet/ApiChooser.h"

namespace vorlan {

class ClassProviders {
public:
    struct Archive {
        std::string name;  // as the catalogue lists it
        std::string path;
    };

    // The archives in catalogue order. One that is not a readable zip (a
    // .rar) provides nothing.
    explicit ClassProviders(const std::vector<Archive>& archives);

    // The archives that hold the class, in catalogue order.
    std::vector<std::string> ProvidersOf(const std::string& className) const;

    // The archives that give a JAR the classes it lacks: for each class, an
    // archive already chosen that provides it, else the first in catalogue
    // order; the classes a chosen archive's own classes name and it lacks
    // are then looked for in turn, unless present (in the JAR or the
    // platform) says they are there.
    ApiChoice Choose(const std::vector<std::string>& lacking,
                     const std::function<bool(const std::string&)>& present) const;

private:
    struct Indexed {
        std::string name;
        std::set<std::string> lacks;  // classes its class files name that it does not hold
    };
    std::vector<Indexed> archives_;
    std::unordered_map<std::string, std::vector<std::size_t>> providers_;  // class -> archives, in order
};

}  // namespace vorlan
