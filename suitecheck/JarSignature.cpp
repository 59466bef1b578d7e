// SPDX-License-Identifier: MIT
// Signature and certificates of a signed suite, through libcrypto.
#include "suitecheck/JarSignature.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <array>
#include <ctime>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "filecommit/FileDescriptor.h"

namespace vorlan {

namespace {

struct X509Free {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct DigestFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct EncodeFree {
    void operator()(EVP_ENCODE_CTX* context) const { EVP_ENCODE_CTX_free(context); }
};
using Certificate = std::unique_ptr<X509, X509Free>;

// The bytes of a base64 text; nothing when it is not base64.
std::optional<std::string> DecodeBase64(std::string_view text) {
    const std::unique_ptr<EVP_ENCODE_CTX, EncodeFree> context(EVP_ENCODE_CTX_new());
    if (!context || text.empty()) return std::nullopt;
    EVP_DecodeInit(context.get());
    std::string bytes(text.size() / 4 * 3 + 3, '\0');
    int written = 0;
    auto* out = reinterpret_cast<unsigned char*>(bytes.data());
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    if (EVP_DecodeUpdate(context.get(), out, &written, in, static_cast<int>(text.size())) < 0) return std::nullopt;
    int last = 0;
    if (EVP_DecodeFinal(context.get(), out + written, &last) != 1) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(written + last));
    return bytes;
}

// The certificate of a base64 DER text, or why it cannot be read.
Certificate ReadCertificate(std::string_view base64, std::string& why) {
    const std::optional<std::string> der = DecodeBase64(base64);
    if (!der) {
        why = "is not base64";
        return nullptr;
    }
    const auto* start = reinterpret_cast<const unsigned char*>(der->data());
    const unsigned char* end = start;
    Certificate certificate(d2i_X509(nullptr, &end, static_cast<long>(der->size())));
    if (!certificate || end != start + der->size()) {
        why = "is not a DER X.509 certificate";
        return nullptr;
    }
    return certificate;
}

// Feeds the file to the digest; false when it cannot be read.
bool DigestFile(EVP_MD_CTX* context, const std::string& path) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    return file.Valid() && ReadInPieces(file.Get(), [context](std::string_view piece) {
                               return EVP_DigestVerifyUpdate(context, piece.data(), piece.size()) == 1;
                           }) == 0;
}

JarSignature Malformed(std::string why) {
    return {SignatureState::Malformed, std::move(why)};
}

// "2014-03-01" for a certificate's date.
std::string DateOf(const ASN1_TIME* time) {
    std::tm parts{};
    if (ASN1_TIME_to_tm(time, &parts) != 1) return "an unreadable date";
    std::array<char, 16> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%d", &parts);
    return text.data();
}

// Installers refuse a suite whose signer's chain holds a certificate that
// is not valid now.
void CheckValidity(const X509* certificate, const std::string& name, Findings& findings) {
    const ASN1_TIME* notBefore = X509_get0_notBefore(certificate);
    const ASN1_TIME* notAfter = X509_get0_notAfter(certificate);
    if (X509_cmp_current_time(notAfter) < 0)
        findings.Error(rules::kSignature,
                       name + " expired on " + DateOf(notAfter) +
                           ": MIDP 2.0 installers refuse a suite signed with an expired certificate");
    else if (X509_cmp_current_time(notBefore) > 0)
        findings.Error(rules::kSignature, name + " is not valid before " + DateOf(notBefore) +
                                              ": MIDP 2.0 installers refuse it until then");
}

}  // namespace

JarSignature VerifyJarSignature(const std::string& jarPath, std::string_view signatureBase64,
                                std::string_view certificateBase64) {
    std::string why;
    const Certificate certificate = ReadCertificate(certificateBase64, why);
    if (!certificate) return Malformed("MIDlet-Certificate-1-1 " + why);
    EVP_PKEY* key = X509_get0_pubkey(certificate.get());
    if (key == nullptr || EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA)
        return Malformed("MIDlet-Certificate-1-1 holds no RSA public key");
    const std::optional<std::string> signature = DecodeBase64(signatureBase64);
    if (!signature) return Malformed("MIDlet-Jar-RSA-SHA1 is not base64");
    const std::unique_ptr<EVP_MD_CTX, DigestFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha1(), nullptr, key) != 1)
        return Malformed("libcrypto cannot verify RSA-SHA1 signatures here");
    if (!DigestFile(context.get(), jarPath))
        return {SignatureState::Mismatch, "the JAR cannot be read to verify MIDlet-Jar-RSA-SHA1"};
    const auto* bytes = reinterpret_cast<const unsigned char*>(signature->data());
    if (EVP_DigestVerifyFinal(context.get(), bytes, signature->size()) == 1) return {SignatureState::Verifies, {}};
    return {SignatureState::Mismatch, "MIDlet-Jar-RSA-SHA1 does not match the JAR: it changed after signing"};
}

void CheckJarSignature(const Attributes& jad, const std::string& jarPath, Findings& findings) {
    const std::string* signature = jad.Find("MIDlet-Jar-RSA-SHA1");
    const std::string* signer = jad.Find("MIDlet-Certificate-1-1");
    if (signature == nullptr || signer == nullptr) return;
    std::vector<Certificate> chain;
    for (int m = 1;; ++m) {
        const std::string name = "MIDlet-Certificate-1-" + std::to_string(m);
        const std::string* value = jad.Find(name);
        if (value == nullptr) break;
        std::string why;
        chain.push_back(ReadCertificate(*value, why));
        if (!chain.back()) return findings.Error(rules::kSignature, name + " " + why);
        CheckValidity(chain.back().get(), name, findings);
        EVP_PKEY* issuerKey = m > 1 ? X509_get0_pubkey(chain.back().get()) : nullptr;
        if (m > 1 && (issuerKey == nullptr || X509_verify(chain[chain.size() - 2].get(), issuerKey) != 1))
            findings.Error(rules::kSignature, "MIDlet-Certificate-1-" + std::to_string(m - 1) + " is not signed by " +
                                                  name + ", the next certificate of the chain");
    }
    if (jarPath.empty()) return;
    const JarSignature verdict = VerifyJarSignature(jarPath, *signature, *signer);
    if (verdict.state != SignatureState::Verifies) findings.Error(rules::kSignature, verdict.why);
}

}  // namespace vorlan
