// SPDX-License-Identifier: MIT
// MIDlet suites made at test time: tiny MIDlet classes compiled for CLDC,
// a table of real-world suite shapes (how WTK, NetBeans, the jar tool and
// J2ME Polish write manifests and JADs), and the J2ME checking toolkit that
// says whether a phone's installer would take a suite.
#pragma once

#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/TestTools.h"
#include "tests/support/ZipWriter.h"

namespace vorlan::test {

// The class file of a public MIDlet class named className (dotted) whose
// startApp branches, compiled by ecj with -target target ("cldc1.1": version
// 45.3 with StackMap attributes; "1.3": no StackMap; "1.8": version 52).
std::string MidletClassFile(const std::string& className, const std::string& target = "cldc1.1");

// The class files ecj compiles for CLDC ("cldc1.1": version 45.3 with StackMap
// attributes) from sources (path below the source root -> Java text),
// against the J2ME toolkit's MIDP stubs: entry name -> bytes.
Files CompileCldcClasses(const Files& sources);

// The manifest lines of a suite a phone installs: Snake by Games, whose one
// midlet is game.Main, for CLDC 1.1 and MIDP 2.0.
inline const std::vector<std::string> kSnakeManifest{
    "Manifest-Version: 1.0",         "MIDlet-Name: Snake",         "MIDlet-Vendor: Games",
    "MIDlet-Version: 1.0.2",         "MIDlet-1: Snake,,game.Main", "MicroEdition-Configuration: CLDC-1.1",
    "MicroEdition-Profile: MIDP-2.0"};

// A JAR's bytes: manifest stored first under manifestName, then the class
// file of the MIDlet game.Main, then more.
std::string SnakeJar(const std::string& manifest, const std::vector<ZipEntry>& more = {},
                     const std::string& manifestName = "META-INF/MANIFEST.MF");

struct CorpusSuite {
    std::string name;                  // file stem
    std::string tool;                  // PackWith's tool
    std::string manifest;              // the bytes handed to the tool
    std::vector<std::string> midlets;  // classes compiled into the JAR
    Files otherEntries;                // icons and the like
    std::string jad;                   // "" for none; "@SIZE@" stands for the JAR's size
    bool signedJad = false;            // the JAD gets a fresh key's RSA-SHA1 signature
};

inline void PrintTo(const CorpusSuite& suite, std::ostream* out) {
    *out << suite.name;
}

// The corpus: a jar-tool manifest with folded lines and a per-entry
// section, a multi-midlet suite with push entries and permissions, a signed
// suite with a CR manifest, a J2ME Polish style JAD that leaves the
// configuration and profile to the manifest.
const std::vector<CorpusSuite>& CorpusSuites();

// Writes the suite's JAR (and JAD) into folder; returns what a user would
// give Vorlan: the JAD when there is one, else the JAR.
fs::path WriteCorpusSuite(const CorpusSuite& suite, const fs::path& folder);

// The lines a JAD gives its JAR's size and URL, the JAR's file name:
// "MIDlet-Jar-Size: ..." and "MIDlet-Jar-URL: ...", each ending in CR LF.
std::string JarSizeAndUrlLines(const fs::path& jar);

enum class Signer {
    valid,   // a fresh self-signed certificate, valid for ten years from now
    expired  // one that was valid from 2010 to 2014
};

// The signature lines of a JAD for jar ("MIDlet-Certificate-1-1: ..." and
// "MIDlet-Jar-RSA-SHA1: ...", each ending in CR LF): a fresh key's
// certificate and the JAR's RSA-SHA1 signature, made by the openssl command
// (the expired certificate by Python's cryptography).
std::string SignatureLines(const fs::path& jar, Signer signer = Signer::valid);

// check-suite.sh of the J2ME toolkit: $VORLAN_J2ME_DIR, else shared/j2me
// beside the source tree. Empty when it is missing, with why in *missing.
std::string J2meCheckScript(std::string* missing);

// The toolkit's verdict line on one of its checks in its output ("PASS
// installer", "FAIL jar: ..."), empty when it gave none.
std::string ToolkitVerdict(const std::string& output, const std::string& check);

}  // namespace vorlan::test

// In a test or its SetUp: sets script to the toolkit's check-suite.sh, or
// skips the test when the toolkit is missing; on CI, where it must be there,
// the test fails instead.
#define VORLAN_J2ME_CHECK_SCRIPT_OR_SKIP(script)                        \
    do {                                                                \
        std::string missingToolkit;                                     \
        (script) = ::vorlan::test::J2meCheckScript(&missingToolkit);    \
        if ((script).empty()) {                                         \
            if (std::getenv("CI") != nullptr) FAIL() << missingToolkit; \
            GTEST_SKIP() << missingToolkit;                             \
        }                                                               \
    } while (false)
