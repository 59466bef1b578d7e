// SPDX-License-Identifier: MIT
// Looking classes up in the platform's class table, and the phone's platform.
#include "suitecheck/PlatformClasses.h"

#include <stdexcept>
#include <unordered_map>

#include "suitecheck/PlatformClassTable.h"

namespace vorlan {

namespace {

using ClassMap = std::unordered_map<std::string, PlatformClass>;

constexpr const char* kObject = "java/lang/Object";

// "Name" or "Name<Super" of the group into the map.
void AddClass(ClassMap& classes, const ClassGroup& group, std::string_view token) {
    const std::size_t less = token.find('<');
    const std::string name = group.package + std::string(token.substr(0, less));
    std::string superclass = kObject;
    if (less != std::string_view::npos) {
        const std::string_view given = token.substr(less + 1);
        superclass = given.find('/') == std::string_view::npos ? group.package + std::string(given) : given;
    }
    PlatformClass& entry = classes[name];
    entry.superclass = name == kObject ? std::string() : superclass;
    entry.sets |= Bit(group.set);
}

const ClassMap& Classes() {
    static const ClassMap classes = [] {
        ClassMap map;
        for (const ClassGroup& group : ClassGroups()) {
            const std::string_view list = group.classes;
            for (std::size_t at = 0; at < list.size();) {
                const std::size_t end = std::min(list.find(' ', at), list.size());
                if (end > at) AddClass(map, group, list.substr(at, end - at));
                at = end + 1;
            }
        }
        return map;
    }();
    return classes;
}

struct PackageName {
    const char* name;  // as --platform takes it, once lower-cased without "-" and blanks
    ApiSets sets;
};

constexpr PackageName kPackageNames[] = {
    {"jsr75", Bit(ApiSet::Jsr75File) | Bit(ApiSet::Jsr75Pim)},
    {"jsr82", Bit(ApiSet::Jsr82Bluetooth) | Bit(ApiSet::Jsr82Obex)},
    {"jsr120", Bit(ApiSet::Jsr120)},
    {"jsr205", Bit(ApiSet::Jsr120) | Bit(ApiSet::Jsr205)},
    {"jsr135", Bit(ApiSet::Jsr135)},
    {"jsr172", Bit(ApiSet::Jsr172)},
    {"jsr177", Bit(ApiSet::Jsr177)},
    {"jsr179", Bit(ApiSet::Jsr179)},
    {"jsr184", Bit(ApiSet::Jsr184)},
    {"jsr226", Bit(ApiSet::Jsr226)},
    {"jsr234", Bit(ApiSet::Jsr234)},
    {"jsr256", Bit(ApiSet::Jsr256)},
};

// How a finding names each set, in ApiSet order.
constexpr const char* kSetNames[] = {"CLDC 1.0",
                                     "CLDC 1.1",
                                     "MIDP 1.0",
                                     "MIDP 2.0",
                                     "JSR 75 (files)",
                                     "JSR 75 (PIM)",
                                     "JSR 82 (Bluetooth)",
                                     "JSR 82 (OBEX)",
                                     "JSR 120 (messaging)",
                                     "JSR 205 (messaging)",
                                     "JSR 135 (multimedia)",
                                     "JSR 172 (web services)",
                                     "JSR 177 (security and trust)",
                                     "JSR 179 (location)",
                                     "JSR 184 (3D graphics)",
                                     "JSR 226 (SVG)",
                                     "JSR 234 (advanced multimedia)",
                                     "JSR 256 (sensors)"};
static_assert(std::size(kSetNames) == static_cast<std::size_t>(ApiSet::Count));

std::string Normalised(std::string_view name) {
    std::string normal;
    for (const char c : name) {
        if (c == '-' || c == ' ' || c == '\t' || c == '_') continue;
        normal += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return normal;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The highest MIDP version a MicroEdition-Profile value lists ("MIDP-2.0
// MIDP-1.0"); MIDP 2.1 adds no class to 2.0. Nothing known: 2.0.
bool DeclaresMidp2(std::string_view profile) {
    if (profile.find("MIDP-2.") != std::string_view::npos) return true;
    return profile.find("MIDP-1.") == std::string_view::npos;
}

}  // namespace

const PlatformClass* FindPlatformClass(std::string_view name) {
    const auto found = Classes().find(std::string(name));
    return found == Classes().end() ? nullptr : &found->second;
}

std::vector<std::string> PlatformClassNames() {
    std::vector<std::string> names;
    for (const auto& entry : Classes()) names.push_back(entry.first);
    return names;
}

ApiSets ParseOptionalPackages(std::string_view list) {
    if (Normalised(list) == "none") return 0;
    ApiSets sets = 0;
    for (std::size_t at = 0; at <= list.size();) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        const std::string name = Normalised(list.substr(at, comma - at));
        at = comma + 1;
        if (name.empty()) continue;
        bool known = false;
        for (const PackageName& package : kPackageNames)
            if (name == package.name) {
                sets |= package.sets;
                known = true;
            }
        if (!known) throw std::invalid_argument("unknown optional package \"" + name + "\"");
    }
    return sets;
}

ApiSets DefaultOptionalPackages() {
    return ParseOptionalPackages("jsr75,jsr82,jsr120,jsr135,jsr184");
}

const char* OptionalPackageNames() {
    return "jsr75, jsr82, jsr120, jsr205, jsr135, jsr172, jsr177, jsr179, jsr184, jsr226, jsr234, jsr256";
}

Platform::Platform(std::string_view configuration, std::string_view profile, ApiSets optionalPackages)
    : sets_(optionalPackages | Bit(ApiSet::Cldc10) | Bit(ApiSet::Midp10)),
      cldc11_(configuration.find("CLDC-1.0") == std::string_view::npos) {
    if (cldc11_) sets_ |= Bit(ApiSet::Cldc11);
    if (DeclaresMidp2(profile)) sets_ |= Bit(ApiSet::Midp20);
}

bool Platform::Has(std::string_view className) const {
    const PlatformClass* found = FindPlatformClass(className);
    return found != nullptr && (found->sets & sets_) != 0;
}

std::string Platform::WhyMissing(std::string_view className) const {
    const std::string cldc = cldc11_ ? "CLDC 1.1" : "CLDC 1.0";
    const PlatformClass* found = FindPlatformClass(className);
    if (found == nullptr) {
        if (StartsWith(className, "java/")) return "not in " + cldc + ": a Java SE class";
        return "not a class of CLDC, MIDP or an optional package";
    }
    std::string sets;
    for (std::size_t set = 0; set < std::size(kSetNames); ++set)
        if ((found->sets & (ApiSets{1} << set)) != 0)
            sets += (sets.empty() ? "" : " or ") + std::string(kSetNames[set]);
    if ((found->sets & (Bit(ApiSet::Cldc11) | Bit(ApiSet::Midp20))) == found->sets)
        return "in " + sets + ", newer than the suite's MicroEdition-Configuration or -Profile";
    return "in " + sets + ", which the phone lacks (see --platform)";
}

}  // namespace vorlan
