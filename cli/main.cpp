// vorlan-batch: the window's batch without the window.
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "cli/BatchCommand.h"
#include "cli/CommandLine.h"
#include "cli/TerminationRequests.h"
#include "platform/ConsoleApplication.h"

int main(int argc, char** argv) {
    // libzip converts every entry's time with mktime; with TZ unset glibc reads
    // the zone file again on every call.
    setenv("TZ", ":/etc/localtime", 0);
    tzset();
    vorlan::CatchTerminationSignals();
    vorlan::ConsoleApplication application;
    application.SetTitle("Vorlan");
    vorlan::SetApp(&application);
    try {
        const vorlan::CommandLine commandLine = vorlan::ParseCommandLine({argv + 1, argv + argc});
        if (commandLine.help) {
            std::cout << vorlan::HelpText();
            return 0;
        }
        return vorlan::RunBatchCommand(commandLine, std::cout, std::cerr);
    } catch (const vorlan::UsageError& error) {
        std::cerr << "vorlan-batch: " << error.what() << "\nTry \"vorlan-batch --help\".\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "vorlan-batch: " << error.what() << '\n';
        return 1;
    }
}
