// SPDX-License-Identifier: MIT
// SHA-256 of a file with libcrypto's digest interface.
#include "midlet/FileHash.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>
#include <string_view>
#include <thread>

#include "filecommit/FileDescriptor.h"
#include "midlet/BackgroundWorker.h"

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
    return ReadInPieces(fd, [context](std::string_view piece) {
               return EVP_DigestUpdate(context, piece.data(), piece.size()) == 1;
           }) == 0;
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

BackgroundWorker& HashingThread() {
    static BackgroundWorker worker;
    return worker;
}

}  // namespace

std::shared_future<std::string> FileSha256Later(const std::string& path) {
    const auto fd = std::make_shared<FileDescriptor>(OpenToHash(path));
    const auto hash = std::make_shared<std::promise<std::string>>();
    std::shared_future<std::string> later = hash->get_future().share();
    const bool queued = HashingThread().Post([fd, hash, poster = std::this_thread::get_id()] {
        hash->set_value(Sha256Of(*fd));
        // libcrypto's state for the hashing thread is handed back after each
        // file: the thread may still be waiting for work when the program
        // ends, after libcrypto's own clean-up. The thread that queued the
        // file and hashed it itself (AwaitSha256) keeps its own.
        if (std::this_thread::get_id() != poster) OPENSSL_thread_stop();
    });
    // No thread to be had: the hash is computed here, as it always could be.
    if (!queued) hash->set_value(Sha256Of(*fd));
    return later;
}

std::string AwaitSha256(const std::shared_future<std::string>& later) {
    // The hashes, not the batch, are what a run with --report waits for:
    // rather than wait, this thread hashes the files queued after it.
    while (later.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        if (!HashingThread().RunQueuedTaskHere()) break;
    return later.get();
}

}  // namespace vorlan
