// SPDX-License-Identifier: MIT
// Writes every case of the hostile corpus, and the sound suite it starts
// from, into a folder as NAME.jar: the seeds of the archive fuzzers.
#include <filesystem>
#include <iostream>

#include "tests/hostile/HostileCases.h"
#include "tests/support/TestTools.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: hostile_corpus_writer FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    try {
        std::filesystem::create_directories(folder);
        vorlan::test::WriteFile(folder / "SoundSuite.jar", vorlan::test::SoundSuiteBytes());
        vorlan::test::WriteFile(folder / "ApiArchive.jar", vorlan::test::ApiArchiveBytes());
        for (const vorlan::test::HostileCase& hostile : vorlan::test::HostileCases())
            vorlan::test::WriteFile(folder / (std::string(hostile.name) + ".jar"), hostile.build());
    } catch (const std::exception& failure) {
        std::cerr << "hostile_corpus_writer: " << failure.what() << '\n';
        return 1;
    }
    return 0;
}
