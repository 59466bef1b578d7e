// SPDX-License-Identifier: MIT
// The options of vorlan-batch.
#include "cli/CommandLine.h"

#include <iconv.h>

#include <cstdint>
#include <functional>
#include <map>

#include "suitecheck/CheckOptions.h"
#include "suitecheck/PlatformClasses.h"

namespace vorlan {

namespace {

using ValueOption = std::function<void(CommandLine&, const std::string&)>;

int ParseMode(const std::string& value) {
    if (value == "0") return 0;
    if (value == "1") return 1;
    throw UsageError("--mode must be 0 or 1, not \"" + value + "\"");
}

// A count of worker processes: digits only, and few enough to make sense.
int ParseJobs(const std::string& value) {
    constexpr int kMostJobs = 1024;
    const bool digits =
        !value.empty() && value.size() <= 4 && value.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stoi(value) > kMostJobs)
        throw UsageError("--jobs must be a number from 0 to " + std::to_string(kMostJobs) + ", not \"" + value + "\"");
    return std::stoi(value);
}

std::string ParsePlatform(const std::string& value) {
    try {
        ParseOptionalPackages(value);
    } catch (const std::invalid_argument& unknown) {
        throw UsageError(std::string("--platform: ") + unknown.what() + "; known: " + OptionalPackageNames() +
                         ", or none");
    }
    return value;
}

// A code page iconv can convert to UTF-8.
std::string ParseCharset(const std::string& value) {
    const iconv_t converter = iconv_open("UTF-8", value.c_str());
    if (converter == reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1)))
        throw UsageError("--manifest-charset: no code page \"" + value +
                         "\" is known (see \"iconv --list\"; windows-1251 for Cyrillic, for example)");
    iconv_close(converter);
    return value;
}

std::string ParseProfile(const std::string& value) {
    if (!IsKnownProfile(value))
        throw UsageError("--profile must be one of " + std::string(KnownProfiles()) + ", not \"" + value + "\"");
    return value;
}

std::string ParseReport(const std::string& value) {
    if (value.empty()) throw UsageError("--report needs a file name");
    return value;
}

std::string ParseOutFolder(const std::string& value) {
    if (value.empty()) throw UsageError("--out needs a folder");
    return value;
}

const std::map<std::string, ValueOption>& ValueOptions() {
    static const std::map<std::string, ValueOption> options{
        {"--mode", [](CommandLine& c, const std::string& v) { c.mode = ParseMode(v); }},
        {"--api", [](CommandLine& c, const std::string& v) { c.apis.push_back(v); }},
        {"--api-dir", [](CommandLine& c, const std::string& v) { c.apiFolder = v; }},
        {"--fix-version", [](CommandLine& c, const std::string& v) { c.fixVersion = v; }},
        {"--fix-template", [](CommandLine& c, const std::string& v) { c.fixTemplate = v; }},
        {"--jobs", [](CommandLine& c, const std::string& v) { c.jobs = ParseJobs(v); }},
        {"--platform", [](CommandLine& c, const std::string& v) { c.platform = ParsePlatform(v); }},
        {"--manifest-charset", [](CommandLine& c, const std::string& v) { c.manifestCharset = ParseCharset(v); }},
        {"--profile", [](CommandLine& c, const std::string& v) { c.profile = ParseProfile(v); }},
        {"--report", [](CommandLine& c, const std::string& v) { c.report = ParseReport(v); }},
        {"--out", [](CommandLine& c, const std::string& v) { c.out = ParseOutFolder(v); }},
    };
    return options;
}

// Applies the option at arguments[i]; returns the index of the last argument used.
std::size_t ApplyOption(CommandLine& line, const std::vector<std::string>& arguments, std::size_t i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
        line.help = true;
        return i;
    }
    if (argument == "--list-apis") {
        line.listApis = true;
        return i;
    }
    if (argument == "--version") {
        line.version = true;
        return i;
    }
    if (argument == "--check") {
        line.check = true;
        return i;
    }
    if (argument == "-r" || argument == "--recursive" || argument == "--quiet") {
        (argument == "--quiet" ? line.quiet : line.recursive) = true;
        return i;
    }
    if (argument == "--force") {
        line.force = true;
        return i;
    }
    if (argument == "--repair" || argument == "--strict") {
        (argument == "--repair" ? line.repair : line.strict) = true;
        return i;
    }
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const auto option = ValueOptions().find(name);
    if (option == ValueOptions().end()) throw UsageError("unknown option \"" + argument + "\"");
    if (equals != std::string::npos) {
        option->second(line, argument.substr(equals + 1));
        return i;
    }
    if (i + 1 >= arguments.size()) throw UsageError(name + " needs a value");
    option->second(line, arguments[i + 1]);
    return i + 1;
}

bool LooksLikeOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

}  // namespace

CommandLine ParseCommandLine(std::vector<std::string> arguments) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && LooksLikeOption(argument)) {
            i = ApplyOption(line, arguments, i);
        } else {
            line.files.push_back(std::move(arguments[i]));
        }
    }
    if (line.out && line.check) throw UsageError("--check changes nothing: it writes no copies (--out)");
    if (line.force && !line.out) throw UsageError("--force replaces files in the --out folder: give --out DIR");
    if (line.repair && line.mode == 1 && !line.check)
        throw UsageError("--repair mends the manifests of mode 0; a fix suite's manifest is written anew");
    return line;
}

const char* HelpText() {
    return R"(Usage: vorlan-batch [OPTION]... FILE...
Prepares J2ME MIDlet suites (a JAR, and a JAD descriptor beside it) the way
the Vorlan window does, for scripts and large collections.

Mode 0 (the default): for every JAR given, writes the JAD descriptor of the
same name beside it: the JAR's manifest with MIDlet-Jar-Size and
MIDlet-Jar-URL set to the JAR's size and file name. With --api, the files of
the chosen API archives are first added into every JAR, so that a game made
for one phone finds the classes another phone lacks; the JARs are changed in
place. An API file that has the name of one of the JAR's own files replaces
it, with a warning that says which. With --api auto, each JAR gets just the
archives that provide the classes it uses and lacks, and its own files are
never replaced. Files that are not JARs are left alone.

Mode 1: builds a fix for a suite that a phone refuses to delete. Give the
suite's JAR or its JAD (one of them is enough). A new suite of the same name
is made from the fix template: it keeps the old suite's attributes, runs the
template's reader midlet instead of the old first midlet, and carries the fix
version. The old JAR and JAD are replaced by the fix. Install it over the
broken suite, then delete it from the phone as usual.

Options:
  --mode 0|1            what to do, as above (default 0)
  --api NAME            add the API archive NAME of the API folders (mode 0);
                        may be given several times; on equal paths the
                        archive listed later by --list-apis wins
  --api auto            (mode 0) instead: give each JAR the archives that
                        provide the classes its class files name and that
                        neither it nor the phone has (the first archive
                        by --list-apis that holds a class); a warning says
                        which were added and for what, and names classes
                        no archive provides; a JAR that lacks nothing is
                        left as it is and only gets its JAD
  --platform LIST       the optional packages the phone has, for --check
                        and --api auto: comma-separated, of jsr75, jsr82,
                        jsr120, jsr205, jsr135, jsr172, jsr177, jsr179,
                        jsr184, jsr226, jsr234, jsr256, or none; default
                        jsr75,jsr82,jsr120,jsr135,jsr184, the set most
                        MIDP 2.0 phones carry. CLDC and MIDP are those
                        each suite declares
  --api-dir DIR         the API folder (default: API/ in Vorlan's data folder:
                        this program's own, else share/vorlan/ of its install)
  --fix-version TEXT    the version a fix suite gets (default 9.9.9)
  --fix-template PATH   the fix template (default: fix.jar in the data folder)
  --jobs N              work on N files at a time, in N processes (default 1;
                        0: one per processor); files are still reported in
                        the order given, and the results are the same
  -r, --recursive       a FILE that is a folder stands for the suites below
                        it (see "Folders" below); without -r a folder fails
  --quiet               print only the failures and the summary: no "[x]"
                        lines, no warnings (with --check, no warnings)
  --list-apis           print the API folders' archives in the order they are
                        used, and exit
  --check               check each FILE (a JAD, its JAR found beside it, or a
                        JAR alone) as a MIDP 2.0 phone's installer would, and
                        change nothing; see "Checking suites" below
  --repair              mode 0: mend what has one right answer in each JAR's
                        manifest and its JAD (see "Written suites" below)
  --strict              a suite that would not install or start is not
                        written: its files stay as they were, "[ ] FILE"
  --manifest-charset NAME
                        the code page of manifests and JADs that are not
                        UTF-8 (an iconv name, windows-1251 for Cyrillic):
                        their text is converted to UTF-8 in the JADs written,
                        and with --repair in the manifests
  --profile NAME        the phone's MIDP version, MIDP-1.0, MIDP-2.0 (the
                        default) or MIDP-2.1, which --check and the check of
                        written suites hold suites to
  --out DIR             write the suites into DIR instead of changing them
                        in place: each JAR (with the API files added, or
                        as it is) and its JAD, or the fix suite of mode 1,
                        under the FILE's name (with -r, its path below the
                        folder given), folders made as needed; the FILEs
                        are only read. A JAD beside an input still gives
                        its own attributes. A file already in DIR fails
                        that FILE unless --force is given; -r never walks
                        into DIR
  --force               with --out: replace files already in DIR
  --report FILE         also write a record of every FILE into FILE (also
                        with --check): JSON Lines, or CSV when its name ends
                        in .csv; see "Reports" below
  -h, --help            print this help, and exit
  --version             print the version, and exit

API folders: the API folder, then the user's, $XDG_DATA_HOME/vorlan/API
(default ~/.local/share/vorlan/API), for archives when the program's own
folder is not writable. Each gives its .rar, then .jar, then .zip archives;
a user archive named like one of the API folder's is left out.

Output: a line for every FILE as soon as it is done, "[x] FILE" when it
succeeded and "[ ] FILE" when it failed, then "Process successfuly
completed!". Why a file failed, and warnings, go to standard error. A
FILE whose name holds a control character (a line break, a tab, ...) or
begins with a double quote is shown in double quotes with C escapes:
\\ \" \n \r \t, and \xNN (two hex digits) for the other control bytes.
An API archive that cannot be used is left out whole, with a warning; the
other archives are still added.

Written suites: mode 0 keeps, after the manifest's lines, the attributes
that only the JAD already beside the JAR has (a signature only while the JAR
is as it was signed and the signature still verifies; otherwise a warning
says the JAD is unsigned now). Every JAD written is UTF-8 without a
byte-order mark: a manifest line that is not UTF-8 is left out of it, with a
warning, unless --manifest-charset converts it; a JAR whose name holds a line
break fails, as no JAD can name it. Every suite written is checked, with the
rules of --check, before it replaces the old one; each error is a warning,
"would not install: RULE: text" (or "would not start: ..." for class files),
and the suite is still written unless --strict. With --repair, mode 0 mends
the manifest: a byte-order mark removed, empty lines inside the main section
removed, a manifest stored under another letter case stored as
META-INF/MANIFEST.MF, CR-only or mixed line ends made CR LF, lines over 72
bytes folded, the text converted with --manifest-charset; each is reported
as "FILE: repaired: what", and the JAR is rewritten only when its manifest
changed, every other entry byte for byte as it was.

Reports (--report): one record per FILE, in the order of the output lines:
path (as given), result ("ok" or "failed"; with --check, failed when a
finding is an error), reason (why it failed), mode ("0", "1" or "check"),
midlet_name, midlet_vendor, midlet_version, jar_size_before,
jar_size_after, jar_sha256_before, jar_sha256_after (lowercase hex; null in
JSON, empty in CSV, when unknown), apis_added, findings (--check: rule,
severity and text) and warnings. JSON Lines gives one object a line, lists
as arrays; CSV has a header row, and gives each list in one field, an item
a line ("RULE: text" for a finding); a CSV field that starts with =, +, -,
@, a tab or a carriage return gets a leading ' so that a spreadsheet shows
it as text. Bytes of names and values that are not UTF-8 are written as
\xNN. The report is written when the run ends, or is
stopped by a signal (then it lists the files done by then); it replaces a
file of that name only once it is complete.

Folders (-r): each folder is walked, its names sorted by byte value, folder
by folder, depth first; links to folders are not followed, hidden folders
and Vorlan's own pending and journal files are skipped. Mode 0 takes every
.jar; mode 1 and --check take every .jad, and every .jar without a .jad of
the same name beside it. Each suite is shown as the argument joined with its
path below it. A folder that cannot be read fails whole, with the reason. A
FILE that does not exist, or a folder without -r, fails: "[ ] FILE".

Suites that share MIDlet-Name and MIDlet-Vendor are taken by a phone for one
another (the second installs over the first): each one after the first gets
the warning "DUPLICATE_SUITE: same MIDlet-Name and MIDlet-Vendor as FIRST",
and with --check each of them a DUPLICATE_SUITE warning naming the others.

When standard error is a terminal and there are more FILEs than it has rows,
a line there counts the files done and failed, the time taken and the time
left; it is redrawn in place and cleared at the end. A pipe or a file never
gets it.

SIGTERM, SIGINT (Ctrl+C) and SIGHUP stop the run once the files being
worked on are done; the exit status is then 128 + the signal's number.

Exit status: 0 when every FILE succeeded, 1 when at least one failed or
an API archive could not be used, 2 when the command line is wrong.

Checking suites (--check): prints one line for every rule a suite breaks,
"FILE: RULE: what is wrong", then a summary line that counts the suites
that would install, would not install, and would install but not start
(class files a CLDC VM refuses). The text of a warning begins with
"warning: "; warnings are things some phones cope with (a missing icon, a
version part above 99, manifest lines over 72 bytes). RULE is one of
SUITE_FILE, JAD_SYNTAX, MISSING_ATTRIBUTE, VERSION_FORMAT,
JAD_MANIFEST_MISMATCH, JAR_NOT_FOUND, JAR_SIZE, ZIP_FORMAT, MANIFEST,
MIDLET_CLASS, PUSH, PUSH_CLASS, DATA_SIZE, NOTIFY, ICON, DEVICE,
CLASS_VERSION, NOT_PREVERIFIED, CLASS_FORMAT, SIGNATURE, MISSING_CLASS,
DUPLICATE_SUITE. A
JAD's JAR is the one its MIDlet-Jar-URL names (for a web address, the file
of that name beside the JAD); a signature is verified over the JAR with the
key of MIDlet-Certificate-1-1. MISSING_CLASS names a class the suite's
classes use that neither its JAR nor the phone (see --platform) has, and
the API archives that provide it: an error when the suite cannot start
without it (a MIDlet class's superclass or interface, or a class a static
initialiser on the way uses), else a warning. Values that are not UTF-8 are
shown as \xNN. Exit status: 0 when no finding is an error, 1 when one is,
2 when the command line is wrong.
)";
}

}  // namespace vorlan
