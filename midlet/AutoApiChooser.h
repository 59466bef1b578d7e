// SPDX-License-Identifier: MIT
// --api auto's chooser: a JAR's class files scanned for the classes they
// name, those neither the JAR nor the phone has looked up in the catalogue.
#pragma once

#include <memory>

#include "midlet/ApiChooser.h"
#include "suitecheck/PlatformClasses.h"

namespace vorlan {

class ChoiceLookahead;
class ClassProviders;

class AutoApiChooser : public ApiChooser {
public:
    // The phone: CLDC and MIDP as each JAR's manifest declares them, and
    // these optional packages (--platform).
    explicit AutoApiChooser(ApiSets optionalPackages);
    ~AutoApiChooser() override;

    void IndexCatalogue(const std::vector<std::string>& archives) override;
    void Expect(const std::string& jarPath) override;
    ApiChoice Choose(const std::string& jarPath) override;

private:
    ApiChoice Scan(const std::string& jarPath) const;

    ApiSets optionalPackages_;
    std::unique_ptr<ClassProviders> providers_;
    std::unique_ptr<ChoiceLookahead> lookahead_;  // declared last: its thread, which reads providers_, ends first
};

}  // namespace vorlan
