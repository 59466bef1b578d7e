// SPDX-License-Identifier: MIT
// SHA-256 of a file with libcrypto's digest interface.
#include "midlet/FileHash.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <future>
#include <memory>
#include <system_error>

#include "filecommit/FileDescriptor.h"

namespace vorlan {

namespace {

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

std::string Hex(const unsigned char* bytes, unsigned int count) {
    constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(count * 2);
    for (unsigned int i = 0; i < count; ++i) {
        hex += kHex[bytes[i] >> 4];
        hex += kHex[bytes[i] & 0xF];
    }
    return hex;
}

// Feeds the whole file into the digest; false on a read error.
bool DigestFile(int fd, EVP_MD_CTX* context) {
    // Large reads: a JAR is read once, straight from the page cache the
    // batch has just filled.
    constexpr std::size_t kChunk = 256 * 1024;
    const std::unique_ptr<unsigned char[]> buffer(new unsigned char[kChunk]);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.get(), kChunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (EVP_DigestUpdate(context, buffer.get(), static_cast<std::size_t>(got)) != 1) return false;
    }
}

std::string Sha256Of(const FileDescriptor& fd) {
    if (fd.Get() < 0) return {};
    const DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return {};
    if (!DigestFile(fd.Get(), context.get())) return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return {};
    return Hex(digest, length);
}

FileDescriptor OpenToHash(const std::string& path) {
    return FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
}

}  // namespace

std::string FileSha256(const std::string& path) {
    return Sha256Of(OpenToHash(path));
}

std::shared_future<std::string> FileSha256Later(const std::string& path) {
    FileDescriptor fd = OpenToHash(path);
    try {
        return std::async(std::launch::async, [held = std::move(fd)] { return Sha256Of(held); }).share();
    } catch (const std::system_error&) {
        // No thread to be had: the hash is computed here, as it always could be.
        std::promise<std::string> now;
        now.set_value(FileSha256(path));
        return now.get_future().share();
    }
}

}  // namespace vorlan
