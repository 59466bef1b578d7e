// SPDX-License-Identifier: MIT
// A signed suite's JAD signature over its JAR: MIDlet-Jar-RSA-SHA1 is the
// base64 of an RSA (PKCS #1 v1.5) signature of the JAR's SHA-1 digest, and
// MIDlet-Certificate-1-<m> the base64 of the DER certificates of the signer's
// chain, the signer's own first. Verified with OpenSSL's libcrypto.
#pragma once

#include <string>
#include <string_view>

#include "suitecheck/Findings.h"

namespace vorlan {

enum class SignatureState { Verifies, Mismatch, Malformed };

struct JarSignature {
    SignatureState state = SignatureState::Malformed;
    std::string why;  // for mismatch and malformed
};

// Whether the signature holds for the JAR at jarPath with the public key of
// the certificate. Reads the JAR once; a JAR that cannot be read is a
// mismatch.
JarSignature VerifyJarSignature(const std::string& jarPath, std::string_view signatureBase64,
                                std::string_view certificateBase64);

// The SIGNATURE errors of a JAD that holds MIDlet-Jar-RSA-SHA1 and
// MIDlet-Certificate-1-1: a signature or certificate that cannot be read, a
// signature that does not match the JAR at jarPath (not looked at when
// jarPath is empty), a certificate of the chain outside its validity dates
// or not signed by the next one.
void CheckJarSignature(const Attributes& jad, const std::string& jarPath, Findings& findings);

}  // namespace vorlan
