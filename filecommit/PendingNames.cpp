// SPDX-License-Identifier: MIT
// Random hidden names for pending files and journals.
#include "filecommit/PendingNames.h"

#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <random>

namespace vorlan {

namespace {

constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::size_t kRandomLength = 8;
constexpr std::string_view kPendingMark = ".vorlan-";
constexpr std::string_view kJournalStart = ".vorlan-commit-";
// Long names are shortened so that the pending name stays within NAME_MAX.
constexpr std::size_t kKeptNameLength = 200;

std::uint64_t Seed() {
    std::uint64_t seed = 0;
    if (::getrandom(&seed, sizeof seed, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof seed))
        seed = (static_cast<std::uint64_t>(::getpid()) << 32) ^
               static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&seed));
    return seed;
}

bool IsLetterOrDigit(char c) {
    return std::string_view(kLetters, sizeof kLetters - 1).find(c) != std::string_view::npos;
}

bool EndsWithRandomPart(std::string_view name, std::string_view mark) {
    if (name.size() < mark.size() + kRandomLength) return false;
    const std::string_view tail = name.substr(name.size() - kRandomLength);
    const std::string_view before = name.substr(name.size() - kRandomLength - mark.size(), mark.size());
    return before == mark && std::all_of(tail.begin(), tail.end(), IsLetterOrDigit);
}

}  // namespace

std::string RandomLetters(std::size_t count) {
    // Seeded afresh in every process: a forked worker must not draw the
    // names its parent or a sibling draws.
    static thread_local pid_t owner = 0;
    static thread_local std::mt19937_64 generator;
    if (owner != ::getpid()) {
        owner = ::getpid();
        generator.seed(Seed());
    }
    std::string letters;
    for (std::size_t i = 0; i < count; ++i) letters += kLetters[generator() % (sizeof kLetters - 1)];
    return letters;
}

// Built by appending: GCC 12 at -O3 takes `"." + std::string(...)` for an
// overlapping copy (a false -Wrestrict).
std::string PendingNameFor(std::string_view targetName) {
    std::string name(1, '.');
    name.append(targetName.substr(0, kKeptNameLength));
    name.append(kPendingMark);
    name.append(RandomLetters(kRandomLength));
    return name;
}

bool IsPendingName(std::string_view name) {
    return name.size() > 1 && name.front() == '.' && !IsJournalName(name) && EndsWithRandomPart(name, kPendingMark);
}

bool IsPendingNameFor(std::string_view name, std::string_view targetName) {
    const std::string_view kept = targetName.substr(0, kKeptNameLength);
    return IsPendingName(name) && name.size() == 1 + kept.size() + kPendingMark.size() + kRandomLength &&
           name.substr(1, kept.size()) == kept;
}

std::string JournalName() {
    return std::string(kJournalStart) + RandomLetters(kRandomLength);
}

bool IsJournalName(std::string_view name) {
    return name.size() == kJournalStart.size() + kRandomLength && name.starts_with(kJournalStart) &&
           EndsWithRandomPart(name, "-");
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace vorlan
