// SPDX-License-Identifier: MIT
// SHA-256 of a file with libcrypto's digest interface.
#include "midlet/FileHash.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

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

// One thread hashes the files handed to it in turn, beside the batch's own
// thread: a thread per file cost as much as hashing a small JAR, and more
// threads than cores only slow the batch down.
class HashQueue {
public:
    static HashQueue& Instance() {
        static HashQueue queue;
        return queue;
    }

    ~HashQueue() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        ready_.notify_one();
        if (!thread_.joinable()) return;
        if (owner_ == ::getpid())
            thread_.join();
        else
            thread_.detach();  // a forked copy: the thread is its parent's
    }
    HashQueue(const HashQueue&) = delete;
    HashQueue& operator=(const HashQueue&) = delete;

    // The future hash (the file is then the thread's), or nothing when no
    // thread can be had.
    std::optional<std::shared_future<std::string>> Add(FileDescriptor& fd) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!StartedHere()) return std::nullopt;
        jobs_.push_back(Job{std::move(fd), {}});
        std::shared_future<std::string> hash = jobs_.back().hash.get_future().share();
        ready_.notify_one();
        return hash;
    }

private:
    struct Job {
        FileDescriptor fd;
        std::promise<std::string> hash;
    };

    HashQueue() = default;

    bool StartedHere() {
        if (thread_.joinable()) return owner_ == ::getpid();
        try {
            thread_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            return false;
        }
        owner_ = ::getpid();
        return true;
    }

    void Run() {
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
                if (stopping_) break;  // the program ends: nobody waits for what is left
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job.hash.set_value(Sha256Of(job.fd));
            // libcrypto's state for this thread is handed back after each
            // file: the thread may still be waiting for work when the
            // program ends, after libcrypto's own clean-up.
            OPENSSL_thread_stop();
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::thread thread_;
    pid_t owner_ = 0;
};

}  // namespace

std::shared_future<std::string> FileSha256Later(const std::string& path) {
    FileDescriptor fd = OpenToHash(path);
    if (auto later = HashQueue::Instance().Add(fd)) return *later;
    // No thread to be had: the hash is computed here, as it always could be.
    std::promise<std::string> now;
    now.set_value(Sha256Of(fd));
    return now.get_future().share();
}

}  // namespace vorlan
