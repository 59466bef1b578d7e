// SPDX-License-Identifier: MIT
// vorlan-batch's work once its options are read.
#include "cli/BatchCommand.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "cli/ConsoleBatchHost.h"
#include "cli/DuplicateSuites.h"
#include "cli/EngineModules.h"
#include "cli/EntryGroups.h"
#include "cli/FileArguments.h"
#include "cli/ProgressLine.h"
#include "cli/ResultFanOut.h"
#include "cli/RunReport.h"
#include "cli/SharedOutputs.h"
#include "cli/TerminationRequests.h"
#include "cli/WorkerPool.h"
#include "midlet/ApiCatalogue.h"
#include "midlet/BatchDriver.h"
#include "midlet/Globals.h"
#include "midlet/TextLines.h"
#include "platform/ProcessPaths.h"
#include "suitecheck/ClassProviders.h"
#include "suitecheck/SuiteCheck.h"

namespace vorlan {

namespace {

// Made absolute by joining, not by resolving links: the user's path stays
// the user's path.
std::string Absolute(const std::string& path) {
    return std::filesystem::absolute(path).string();
}

std::string AsFolder(const std::string& path) {
    std::string folder = Absolute(path);
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// --api auto: alone, in mode 0.
bool ApiAutoAsked(const CommandLine& commandLine) {
    const std::vector<std::string>& apis = commandLine.apis;
    const bool automatic = std::find(apis.begin(), apis.end(), "auto") != apis.end();
    if (automatic && apis.size() > 1) throw UsageError("--api auto chooses the archives itself: give no other --api");
    if (automatic && commandLine.mode != 0) throw UsageError("--api auto works in mode 0 only");
    if (!automatic && commandLine.platform) throw UsageError("--platform is for --check and --api auto");
    return automatic;
}

ApiSets OptionalPackages(const CommandLine& commandLine) {
    return commandLine.platform ? ParseOptionalPackages(*commandLine.platform) : DefaultOptionalPackages();
}

void SetApiFolders(const CommandLine& commandLine) {
    ApiFolder = commandLine.apiFolder ? AsFolder(*commandLine.apiFolder) : DataFolder() + "API/";
    UserApiFolder = UserApiFolderFromEnvironment();
}

std::set<std::string> CheckedApis(const CommandLine& commandLine, const std::vector<std::string>& catalogue) {
    std::set<std::string> checked;
    if (ApiAutoAsked(commandLine)) return checked;
    for (const std::string& name : commandLine.apis) {
        if (std::find(catalogue.begin(), catalogue.end(), name) == catalogue.end())
            throw UsageError("no API archive \"" + name + "\" in " + ApiFolder +
                             (UserApiFolder.empty() ? "" : " or " + UserApiFolder) + " (see --list-apis)");
        checked.insert(name);
    }
    return checked;
}

// The arguments move in: a list of thousands of suites is not kept twice.
std::vector<BatchFile> BatchFiles(CommandLine& commandLine) {
    const SuiteWalkKind kind =
        commandLine.mode == 0 && !commandLine.check ? SuiteWalkKind::Jars : SuiteWalkKind::Descriptors;
    // The copies an earlier run prepared in the output folder are not inputs.
    std::vector<FolderId> left;
    if (commandLine.out)
        if (const std::optional<FolderId> out = FolderIdOf(*commandLine.out)) left.push_back(*out);
    return ExpandFileArguments(std::move(commandLine.files),
                               commandLine.recursive ? FolderArguments::Walked : FolderArguments::Refused, kind, left);
}

// The suites --check looks at. A missing file or a folder without -r is a
// SUITE_FILE finding of its own; a folder that cannot be walked ends the
// check, which would otherwise look complete.
std::vector<std::string> CheckedPaths(const CommandLine& commandLine) {
    CommandLine copy = commandLine;
    std::vector<std::string> paths;
    for (BatchFile& file : BatchFiles(copy)) {
        if (!file.refused.empty() && commandLine.recursive && std::filesystem::is_directory(file.shown))
            throw std::runtime_error(file.refused);
        paths.push_back(std::move(file.shown));
    }
    return paths;
}

// The worker processes --jobs asks for, and the group of each entry; no
// workers when one process is all the list can use.
struct WorkerPlan {
    int workers = 0;
    std::vector<int> groupOfEntry;
};

WorkerPlan PlanWorkers(const BatchSettings& settings, int jobs) {
    WorkerPlan plan;
    if (std::min<int>(WorkerCount(jobs), static_cast<int>(settings.files.size())) <= 1) return plan;
    std::vector<EntryFacts> facts;
    for (const BatchFile& file : settings.files) facts.push_back(FactsOfEntry(PathOf(settings, file)));
    plan.groupOfEntry = GroupOfEachEntry(facts);
    const int groups = 1 + *std::max_element(plan.groupOfEntry.begin(), plan.groupOfEntry.end());
    plan.workers = std::min(WorkerCount(jobs), groups);
    if (plan.workers <= 1) plan.workers = 0;
    return plan;
}

int RunInThisProcess(BatchSettings settings, std::ostream& output, std::ostream& errors, EntryResults* results) {
    ScratchRoot = CreateScratchRoot();
    ManifestBuffer = std::make_unique<TextLines>();
    ConsoleBatchHost host(std::move(settings), output, errors);
    host.SendResultsTo(results);
    try {
        StopWhenRequested();
        RunBatch(host);
        StopWhenRequested();  // a batch that ended on a signal between two entries
    } catch (const BatchStopped& stop) {
        // The scratch root goes as the process exits.
        return stop.ExitStatus();
    }
    return host.AllSucceeded() ? 0 : 1;
}

// --report: made absolute now, as the archive component changes the
// current folder during the run.
std::unique_ptr<RunReport> ReportOf(const CommandLine& commandLine, const std::string& mode) {
    if (!commandLine.report) return nullptr;
    return std::make_unique<RunReport>(Absolute(*commandLine.report), mode);
}

int RunEntries(BatchSettings settings, int jobs, std::ostream& output, std::ostream& errors, EntryResults* results) {
    WorkerPlan plan = PlanWorkers(settings, jobs);
    if (plan.workers == 0) return RunInThisProcess(std::move(settings), output, errors, results);
    if (const int signalNumber = TerminationRequested()) return BatchStopped(signalNumber).ExitStatus();
    return RunInWorkers(settings, std::move(plan.groupOfEntry), plan.workers, output, errors, results);
}

}  // namespace

int RunBatchCommand(CommandLine commandLine, std::ostream& output, std::ostream& errors) {
    SetApiFolders(commandLine);
    const std::vector<std::string> catalogue = ReadApiCatalogue();
    if (commandLine.listApis) {
        for (const std::string& name : catalogue) output << name << '\n';
        output.flush();
        return 0;
    }
    if (commandLine.files.empty()) throw UsageError("no FILE given");
    RequireEngineModules();
    BatchSettings settings;
    settings.checkedApis = CheckedApis(commandLine, catalogue);
    settings.apiAuto = ApiAutoAsked(commandLine);
    settings.optionalPackages = OptionalPackages(commandLine);
    settings.catalogue = catalogue;
    settings.files = BatchFiles(commandLine);
    settings.quiet = commandLine.quiet;
    settings.startFolder = AsFolder(std::filesystem::current_path().string());
    settings.mode = commandLine.mode == 1 ? BatchMode::BuildFix : BatchMode::GenerateJad;
    settings.fixVersion = commandLine.fixVersion;
    settings.repair = commandLine.repair;
    settings.strict = commandLine.strict;
    settings.manifestCharset = commandLine.manifestCharset;
    settings.profile = commandLine.profile;
    FixTemplatePath = commandLine.fixTemplate ? Absolute(*commandLine.fixTemplate) : DataFolder() + "fix.jar";
    const std::unique_ptr<RunReport> report = ReportOf(commandLine, std::to_string(commandLine.mode));
    settings.hashes = report != nullptr;
    if (commandLine.out) settings.outFolder = AsFolder(*commandLine.out);
    settings.force = commandLine.force;
    RefuseSharedOutputs(settings);
    const std::unique_ptr<ProgressLine> progress = ProgressLine::ForTerminal(STDERR_FILENO, settings.files.size());
    ResultFanOut reportAndProgress{report.get(), progress.get()};
    // Duplicates are warnings: the report has them, --quiet does not print them.
    DuplicateSuites results(errors, commandLine.quiet ? DuplicateWarnings::NotPrinted : DuplicateWarnings::Printed,
                            reportAndProgress);
    // The report is written however the run ends, a stop by a signal too:
    // it then lists the entries done by then.
    const int status = RunEntries(std::move(settings), commandLine.jobs, output, errors, &results);
    if (report) report->Write();
    return status;
}

int RunCheckCommand(const CommandLine& commandLine, std::ostream& output) {
    if (commandLine.files.empty()) throw UsageError("--check needs at least one FILE");
    SetApiFolders(commandLine);
    std::vector<ClassProviders::Archive> archives;
    for (const std::string& name : ReadApiCatalogue()) archives.push_back({name, ApiArchivePath(name)});
    const ClassProviders providers(archives);
    ClassCheckSettings settings;
    settings.optionalPackages = OptionalPackages(commandLine);
    settings.providers = &providers;
    SuiteCheckOptions options;
    options.profile = commandLine.profile;
    const std::unique_ptr<RunReport> report = ReportOf(commandLine, "check");
    const std::vector<std::string> paths = CheckedPaths(commandLine);
    const std::unique_ptr<ProgressLine> progress = ProgressLine::ForTerminal(STDERR_FILENO, paths.size());
    SuiteCheckRun run;
    run.errorsOnly = commandLine.quiet;
    if (report)
        run.checked = [&report](const std::string& file, const Findings& findings) {
            report->SuiteChecked(file, findings);
        };
    if (progress) run.counted = [&progress](bool ok) { progress->Count(ok); };
    const int status = RunSuiteCheck(paths, output, options, settings, run);
    if (report) report->Write();
    return status;
}

}  // namespace vorlan
