// SPDX-License-Identifier: MIT
// vorlan-batch: the window's batch without the window.
#include <malloc.h>

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <utility>

#include "VorlanVersion.h"
#include "cli/BatchCommand.h"
#include "cli/CommandLine.h"
#include "cli/TerminationRequests.h"
#include "platform/ConsoleApplication.h"

namespace {

// Every JAR makes the engines and libzip allocate and free the same few
// buffers (read windows, libzip's 64 KiB directory buffer, the new archive).
// With glibc's defaults the larger ones are mapped and unmapped, or trimmed
// from the heap, each time, and every page costs a fault when touched again:
// more than a third of the work of a batch without APIs. Freed memory is
// kept for the next JAR instead; the peak stays what one JAR needs.
void KeepFreedMemoryForReuse() {
    constexpr int kLargestMapping = 64 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, kLargestMapping);
    mallopt(M_TRIM_THRESHOLD, kLargestMapping);
}

}  // namespace

int main(int argc, char** argv) {
    KeepFreedMemoryForReuse();
    // libzip converts every entry's time with mktime; with TZ unset glibc reads
    // the zone file again on every call.
    setenv("TZ", ":/etc/localtime", 0);
    tzset();
    vorlan::CatchTerminationSignals();
    vorlan::ConsoleApplication application;
    application.SetTitle("Vorlan");
    vorlan::SetApp(&application);
    try {
        vorlan::CommandLine commandLine = vorlan::ParseCommandLine({argv + 1, argv + argc});
        if (commandLine.help) {
            std::cout << vorlan::HelpText();
            return 0;
        }
        if (commandLine.version) {
            std::cout << "vorlan-batch " << vorlan::kVersion << '\n';
            return 0;
        }
        if (commandLine.check) return vorlan::RunCheckCommand(commandLine, std::cout);
        return vorlan::RunBatchCommand(std::move(commandLine), std::cout, std::cerr);
    } catch (const vorlan::UsageError& error) {
        std::cerr << "vorlan-batch: " << error.what() << "\nTry \"vorlan-batch --help\".\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "vorlan-batch: " << error.what() << '\n';
        return 1;
    }
}
