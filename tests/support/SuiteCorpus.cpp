// SPDX-License-Identifier: MIT
// Test-time MIDlet suites and the J2ME toolkit.
#include "tests/support/SuiteCorpus.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <stdexcept>

namespace vorlan::test {

namespace {

std::string J2meDir() {
    const char* overridden = std::getenv("VORLAN_J2ME_DIR");
    return overridden && *overridden ? overridden : std::string(VORLAN_SOURCE_DIR) + "/../shared/j2me";
}

std::string MidletSource(const std::string& className) {
    const std::size_t dot = className.rfind('.');
    const std::string package = dot == std::string::npos ? "" : "package " + className.substr(0, dot) + ";\n";
    return package + "public class " + className.substr(dot + 1) +
           " extends javax.microedition.midlet.MIDlet {\n"
           "    protected void startApp() { if (System.currentTimeMillis() < 0) notifyDestroyed(); }\n"
           "    protected void pauseApp() {}\n"
           "    protected void destroyApp(boolean unconditional) {}\n"
           "}\n";
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

std::string Run(const std::vector<std::string>& argv, const fs::path& folder, const std::string& what) {
    const CommandResult result = RunCommand(argv, folder);
    if (result.status != 0) throw std::runtime_error(what + " failed: " + result.output + result.errors);
    return result.output;
}

// A key and a certificate that expired in 2014, as key.pem and cert.pem in folder.
void MakeExpiredCertificate(const fs::path& folder) {
    Run({"python3", "-c",
         "import datetime\n"
         "from cryptography import x509\n"
         "from cryptography.hazmat.primitives import hashes, serialization\n"
         "from cryptography.hazmat.primitives.asymmetric import rsa\n"
         "key = rsa.generate_private_key(public_exponent=65537, key_size=2048)\n"
         "name = x509.Name([x509.NameAttribute(x509.NameOID.COMMON_NAME, 'Expired Signer')])\n"
         "cert = (x509.CertificateBuilder().subject_name(name).issuer_name(name).public_key(key.public_key())\n"
         "        .serial_number(1).not_valid_before(datetime.datetime(2010, 1, 1))\n"
         "        .not_valid_after(datetime.datetime(2014, 1, 1)).sign(key, hashes.SHA256()))\n"
         "open('key.pem', 'wb').write(key.private_bytes(serialization.Encoding.PEM,\n"
         "    serialization.PrivateFormat.TraditionalOpenSSL, serialization.NoEncryption()))\n"
         "open('cert.pem', 'wb').write(cert.public_bytes(serialization.Encoding.PEM))\n"},
        folder, "python3 cryptography");
}

}  // namespace

std::string JarSizeAndUrlLines(const fs::path& jar) {
    return "MIDlet-Jar-Size: " + std::to_string(fs::file_size(jar)) + "\r\nMIDlet-Jar-URL: " + jar.filename().string() +
           "\r\n";
}

std::string SignatureLines(const fs::path& jar, Signer signer) {
    const fs::path folder = jar.parent_path();
    if (signer == Signer::expired)
        MakeExpiredCertificate(folder);
    else
        Run({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem", "-out", "cert.pem",
             "-subj", "/CN=Corpus Signer", "-days", "3650"},
            folder, "openssl req");
    const std::string certificate =
        Run({"bash", "-c", "openssl x509 -in cert.pem -outform DER | base64 -w0"}, folder, "openssl x509");
    const std::string signature = Run(
        {"bash", "-c", "openssl dgst -sha1 -sign key.pem \"$0\" | base64 -w0", jar.string()}, folder, "openssl dgst");
    fs::remove(folder / "key.pem");
    fs::remove(folder / "cert.pem");
    return "MIDlet-Certificate-1-1: " + certificate + "\r\nMIDlet-Jar-RSA-SHA1: " + signature + "\r\n";
}

std::string SnakeJar(const std::string& manifest, const std::vector<ZipEntry>& more, const std::string& manifestName) {
    std::vector<ZipEntry> entries{StoredEntry(manifestName, manifest),
                                  StoredEntry("game/Main.class", MidletClassFile("game.Main"))};
    entries.insert(entries.end(), more.begin(), more.end());
    return ZipArchive({}, entries).bytes();
}

std::string MidletClassFile(const std::string& className, const std::string& target) {
    const fs::path classes = fs::path(VORLAN_TEST_WORK_DIR) / ("midlets-" + target);
    std::string entry = className;
    std::replace(entry.begin(), entry.end(), '.', '/');
    entry += ".class";
    if (!fs::exists(classes / entry)) {
        // Tests run in parallel: compile aside, then move into place.
        TempDir sources;
        const fs::path source = sources / (className.substr(className.rfind('.') + 1) + ".java");
        WriteFile(source, MidletSource(className));
        const fs::path aside = classes.string() + ".tmp" + std::to_string(getpid());
        Run({"ecj", "-source", target == "1.8" ? "1.8" : "1.3", "-target", target, "-proc:none", "-nowarn", "-cp",
             J2meDir() + "/stubs/classes", "-d", aside.string(), source.string()},
            {}, "ecj");
        for (const auto& file : fs::recursive_directory_iterator(aside)) {
            if (!file.is_regular_file()) continue;
            const fs::path placed = classes / fs::relative(file.path(), aside);
            fs::create_directories(placed.parent_path());
            std::error_code lostTheRace;  // another test put the same class there
            fs::rename(file.path(), placed, lostTheRace);
        }
        fs::remove_all(aside);
    }
    return ReadFile(classes / entry);
}

Files CompileCldcClasses(const Files& sources) {
    // Compiled once for all tests of the build tree: the folder is named
    // after the sources, and filled aside, then moved into place.
    std::string everything;
    for (const auto& [path, text] : sources) everything += path + '\0' + text + '\0';
    const fs::path classes =
        fs::path(VORLAN_TEST_WORK_DIR) / ("classes-" + std::to_string(std::hash<std::string>()(everything)));
    if (!fs::exists(classes)) {
        TempDir sourceFolder;
        const fs::path aside = classes.string() + ".tmp" + std::to_string(getpid());
        std::vector<std::string> argv{"ecj",     "-source",     "1.3",
                                      "-target", "cldc1.1",     "-proc:none",
                                      "-nowarn", "-cp",         J2meDir() + "/stubs/classes",
                                      "-d",      aside.string()};
        for (const auto& [path, text] : sources) {
            WriteFile(sourceFolder / path, text);
            argv.push_back((sourceFolder / path).string());
        }
        Run(argv, {}, "ecj");
        std::error_code lostTheRace;  // another test put the same classes there
        fs::rename(aside, classes, lostTheRace);
        fs::remove_all(aside);
    }
    Files compiled;
    for (const auto& file : fs::recursive_directory_iterator(classes))
        if (file.is_regular_file()) compiled[fs::relative(file.path(), classes).string()] = ReadFile(file.path());
    return compiled;
}

const std::vector<CorpusSuite>& CorpusSuites() {
    static const std::vector<CorpusSuite> suites{
        {"Folded",
         "jar",
         "Manifest-Version: 1.0\nMIDlet-Name: Snake\nMIDlet-Vendor: Corpus Games\nMIDlet-Version: 1.0.2\n"
         "MIDlet-Description: A snake that eats apples and grows longer with every apple, until it bites "
         "itself\n"
         "MIDlet-1: Snake, /icons/a-rather-long-folder-name/another-folder/snake.png, game.Main\n"
         "MicroEdition-Configuration: CLDC-1.1\nMicroEdition-Profile: MIDP-2.0\n\n"
         "Name: game/Main.class\nX-Origin: corpus\n\n",
         {"game.Main"},
         {{"icons/a-rather-long-folder-name/another-folder/snake.png", "png"}},
         "",
         false},
        {"Multi",
         "zip",
         "Manifest-Version: 1.0\nMIDlet-Name: Arcade\nMIDlet-Vendor: Corpus Games\nMIDlet-Version: 2.1\n"
         "MIDlet-Icon: /a.png\nMIDlet-1: Arcade, /a.png, game.Main\nMIDlet-2: Second, , game.Second\n"
         "MIDlet-Push-1: socket://:5000, game.Second, *\n"
         "MIDlet-Permissions: javax.microedition.io.PushRegistry, javax.microedition.io.Connector.socket\n"
         "MIDlet-Permissions-Opt: javax.microedition.io.Connector.http\n"
         "MicroEdition-Configuration: CLDC-1.1\nMicroEdition-Profile: MIDP-2.0\n",
         {"game.Main", "game.Second"},
         {{"a.png", "png"}},
         "",
         false},
        {"Signed",
         "python",
         "Manifest-Version: 1.0\rMIDlet-Name: Vault\rMIDlet-Vendor: Corpus Games\rMIDlet-Version: 1.0\r"
         "MIDlet-1: Vault,,game.Main\rMicroEdition-Configuration: CLDC-1.1\rMicroEdition-Profile: MIDP-2.0\r",
         {"game.Main"},
         {},
         "MIDlet-Name: Vault\r\nMIDlet-Vendor: Corpus Games\r\nMIDlet-Version: 1.0\r\nMIDlet-1: "
         "Vault,,game.Main\r\n"
         "MicroEdition-Configuration: CLDC-1.1\r\nMicroEdition-Profile: MIDP-2.0\r\n"
         "MIDlet-Jar-Size: @SIZE@\r\nMIDlet-Jar-URL: Signed.jar\r\n",
         true},
        {"Polish",
         "zip",
         "Manifest-Version: 1.0\r\nMIDlet-Name: Runner\r\nMIDlet-Vendor: Corpus Games\r\nMIDlet-Version: "
         "0.9.1\r\n"
         "MIDlet-1: Runner,,game.Main\r\nMicroEdition-Configuration: CLDC-1.1\r\nMicroEdition-Profile: "
         "MIDP-2.0\r\n",
         {"game.Main"},
         {},
         "MIDlet-1: Runner,,game.Main\nMIDlet-Jar-Size: @SIZE@\nMIDlet-Jar-URL: Polish.jar\nMIDlet-Name: "
         "Runner\n"
         "MIDlet-Vendor: Corpus Games\nMIDlet-Version: 0.9.1\nMIDlet-Description: Runs\n",
         false},
    };
    return suites;
}

fs::path WriteCorpusSuite(const CorpusSuite& suite, const fs::path& folder) {
    Files files = suite.otherEntries;
    files["META-INF/MANIFEST.MF"] = suite.manifest;
    for (const std::string& midlet : suite.midlets) {
        std::string entry = midlet;
        std::replace(entry.begin(), entry.end(), '.', '/');
        files[entry + ".class"] = MidletClassFile(midlet);
    }
    fs::create_directories(folder);
    const fs::path jar = folder / (suite.name + ".jar");
    PackWith(suite.tool, files, jar);
    if (suite.jad.empty()) return jar;
    std::string jad = ReplaceAll(suite.jad, "@SIZE@", std::to_string(fs::file_size(jar)));
    if (suite.signedJad) jad += SignatureLines(jar);
    const fs::path jadPath = folder / (suite.name + ".jad");
    WriteFile(jadPath, jad);
    return jadPath;
}

std::string J2meCheckScript(std::string* missing) {
    const std::string script = J2meDir() + "/check-suite.sh";
    if (fs::exists(script)) return script;
    *missing = "no J2ME toolkit at " + script + " (set VORLAN_J2ME_DIR)";
    return {};
}

std::string ToolkitVerdict(const std::string& output, const std::string& check) {
    for (const std::string& line : OutputLines(output)) {
        const std::size_t space = line.find(' ');
        if (space != std::string::npos && line.compare(space + 1, check.size(), check) == 0) return line;
    }
    return "";
}

}  // namespace vorlan::test
