// SPDX-License-Identifier: MIT
// --api auto: instead of the checked archives, each JAR gets the archives of
// the API catalogue that provide the classes it names and lacks. The batch
// asks its host for the chooser; the suite checker's class scan implements it.
#pragma once

#include <string>
#include <vector>

namespace vorlan {

struct ChosenApi {
    std::string archive;               // its bare name in the catalogue
    std::vector<std::string> classes;  // the lacking classes it is chosen for, in name order
};

struct ApiChoice {
    std::vector<ChosenApi> archives;      // in catalogue order; empty when the JAR lacks nothing
    std::vector<std::string> unprovided;  // classes the JAR lacks that no archive provides
};

class ApiChooser {
public:
    virtual ~ApiChooser() = default;
    // Once per batch, before the first JAR: reads which archive of the
    // catalogue (bare names, in its order) provides which class.
    virtual void IndexCatalogue(const std::vector<std::string>& archives) = 0;
    // A JAR the batch will ask about soon, in the order it will ask: the
    // chooser may scan it ahead, beside the batch.
    virtual void Expect(const std::string& /*jarPath*/) {}
    // The archives the JAR at jarPath needs. A JAR that cannot be read needs
    // none (its step fails on its own).
    virtual ApiChoice Choose(const std::string& jarPath) = 0;
};

}  // namespace vorlan
