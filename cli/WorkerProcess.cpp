// SPDX-License-Identifier: MIT
// The child side of --jobs.
#include "cli/WorkerProcess.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <utility>
#include <vector>

#include "cli/WorkerMessages.h"
#include "filecommit/FileDescriptor.h"
#include "midlet/BatchDriver.h"
#include "midlet/Globals.h"
#include "midlet/TextLines.h"
#include "platform/ConsoleApplication.h"
#include "platform/ProcessPaths.h"

namespace vorlan {

namespace {

// Writes whole lines with one write each: the lines of several workers
// sharing standard error never cut into each other.
class LineWriter : public std::streambuf {
public:
    explicit LineWriter(int fd) : fd_(fd) {}
    ~LineWriter() override { sync(); }

protected:
    int_type overflow(int_type character) override {
        if (traits_type::eq_int_type(character, traits_type::eof())) return traits_type::not_eof(character);
        line_ += traits_type::to_char_type(character);
        if (line_.back() == '\n') sync();
        return character;
    }
    int sync() override {
        static_cast<void>(WriteAll(fd_, line_));  // failing, standard error is gone: nobody is left to read it
        line_.clear();
        return 0;
    }

private:
    int fd_;
    std::string line_;
};

// The batch ends between two entries: vorlan-batch asked for it, or is gone.
class ToldToStop : public std::runtime_error {
public:
    ToldToStop() : std::runtime_error("told to stop") {}
};

class WorkerBatchHost : public ConsoleBatchHost {
public:
    WorkerBatchHost(const BatchSettings& settings, int worker, EntryClaims& claims, int socket)
        : ConsoleBatchHost(settings, std::cerr, std::cerr), worker_(worker), claims_(claims), socket_(socket) {}

    // Between two entries is where a stop takes effect: nothing more is taken.
    bool EntryWanted(int index) override {
        if (StopAsked()) throw ToldToStop();
        // vorlan-batch reports a refused entry itself.
        return ConsoleBatchHost::EntryWanted(index) && claims_.Take(index, worker_);
    }
    bool EntriesKnownAhead() override { return false; }
    // Asked while the batch waits for another program's lock of a suite too.
    bool StopRequested() override { return StopAsked(); }
    // An entry's warnings come just before its outcome and travel with it.
    void EntryWarning(int, const std::string& text) override { warnings_.push_back(text); }
    void EntryDescribed(int, const SuiteFacts& facts) override { facts_ = facts; }
    void EntryFinished(int index, bool succeeded, const std::string& failure) override {
        Send(EntryOutcome{index, succeeded, failure, std::exchange(warnings_, {}), std::exchange(facts_, {})});
    }
    void ApiExtractionFailed(const std::string& archive, const std::string& failure) override {
        Send(ApiLeftOut{archive, failure, false});
    }
    void ApiEntryLeftOut(const std::string& archive, const std::string& why) override {
        Send(ApiLeftOut{archive, why, true});
    }
    // vorlan-batch shows it once, when every worker is done.
    void ShowBatchFinished(const std::string& text, const std::string&) override { Send(BatchFinished{text}); }

private:
    void Send(const WorkerMessage& message) {
        const std::string bytes = Encode(message);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t sent = ::send(socket_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) continue;
            if (sent <= 0) throw ToldToStop();  // vorlan-batch is gone
            done += static_cast<std::size_t>(sent);
        }
    }
    // vorlan-batch never writes: the socket turns readable when it shuts its
    // side (a stop) or ends.
    bool StopAsked() const {
        pollfd watched{socket_, POLLIN, 0};
        return ::poll(&watched, 1, 0) > 0;
    }

    int worker_;
    EntryClaims& claims_;
    int socket_;
    std::vector<std::string> warnings_;  // of the entry about to finish
    SuiteFacts facts_;                   // of the entry about to finish
};

}  // namespace

int RunWorker(const BatchSettings& settings, int worker, EntryClaims& claims, int socket) {
    LineWriter errorLines(STDERR_FILENO);
    std::ostream errors(&errorLines);
    std::istringstream noAnswers;
    ConsoleApplication application(noAnswers, errors, ConsoleAnswers::UseDefaults);
    application.SetTitle(App().Title());
    SetApp(&application);
    try {
        ScratchRoot = CreateScratchRoot();
        ManifestBuffer = std::make_unique<TextLines>();
        WorkerBatchHost host(settings, worker, claims, socket);
        RunBatch(host);
    } catch (const ToldToStop&) {
        // The scratch root goes as the process exits.
    } catch (const std::exception& failure) {
        errors << "vorlan-batch: " << failure.what() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace vorlan
