// SPDX-License-Identifier: MIT
// Framing of the workers' messages: a kind byte, then little-endian 32-bit
// numbers and length-prefixed texts.
#include "cli/WorkerMessages.h"

#include <stdexcept>

namespace vorlan {

namespace {

constexpr char kEntryKind = 'E';
constexpr char kApiKind = 'A';
constexpr char kFinishedKind = 'F';

void PutNumber(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, const std::string& text) {
    PutNumber(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

void PutTexts(std::string& out, const std::vector<std::string>& texts) {
    PutNumber(out, static_cast<std::uint32_t>(texts.size()));
    for (const std::string& text : texts) PutText(out, text);
}

// A size as two numbers, low half first; -1 (unknown) survives the trip.
void PutSize(std::string& out, std::int64_t size) {
    const auto bits = static_cast<std::uint64_t>(size);
    PutNumber(out, static_cast<std::uint32_t>(bits & 0xFFFFFFFFU));
    PutNumber(out, static_cast<std::uint32_t>(bits >> 32));
}

void PutFacts(std::string& out, const SuiteFacts& facts) {
    PutText(out, facts.midletName);
    PutText(out, facts.midletVendor);
    PutText(out, facts.midletVersion);
    PutSize(out, facts.jarSizeBefore);
    PutSize(out, facts.jarSizeAfter);
    PutText(out, facts.jarSha256Before);
    PutText(out, facts.jarSha256After);
    PutTexts(out, facts.apisAdded);
}

// Reads fields from the front of a buffer; false once the buffer runs short.
class FieldReader {
public:
    explicit FieldReader(const std::string& bytes) : bytes_(bytes) {}
    bool Number(std::uint32_t& value) {
        if (bytes_.size() - position_ < 4) return false;
        value = 0;
        for (std::size_t i = 4; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes_[position_ + i]);
        position_ += 4;
        return true;
    }
    bool Text(std::string& text) {
        std::uint32_t length = 0;
        if (!Number(length) || bytes_.size() - position_ < length) return false;
        text = bytes_.substr(position_, length);
        position_ += length;
        return true;
    }
    bool Texts(std::vector<std::string>& texts) {
        std::uint32_t count = 0;
        if (!Number(count)) return false;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::string text;
            if (!Text(text)) return false;
            texts.push_back(std::move(text));
        }
        return true;
    }
    bool Size(std::int64_t& size) {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        if (!Number(low) || !Number(high)) return false;
        size = static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
        return true;
    }
    bool Facts(SuiteFacts& facts) {
        return Text(facts.midletName) && Text(facts.midletVendor) && Text(facts.midletVersion) &&
               Size(facts.jarSizeBefore) && Size(facts.jarSizeAfter) && Text(facts.jarSha256Before) &&
               Text(facts.jarSha256After) && Texts(facts.apisAdded);
    }
    bool Byte(char& value) {
        if (position_ >= bytes_.size()) return false;
        value = bytes_[position_++];
        return true;
    }
    std::size_t Used() const { return position_; }

private:
    const std::string& bytes_;
    std::size_t position_ = 0;
};

std::optional<WorkerMessage> ReadEntry(FieldReader& reader) {
    EntryOutcome outcome;
    std::uint32_t index = 0;
    char succeeded = 0;
    if (!reader.Number(index) || !reader.Byte(succeeded) || !reader.Text(outcome.failure) ||
        !reader.Texts(outcome.warnings) || !reader.Facts(outcome.facts))
        return std::nullopt;
    outcome.index = static_cast<int>(index);
    outcome.succeeded = succeeded != 0;
    return outcome;
}

std::optional<WorkerMessage> ReadApi(FieldReader& reader) {
    ApiLeftOut leftOut;
    char entryOnly = 0;
    if (!reader.Byte(entryOnly) || !reader.Text(leftOut.archive) || !reader.Text(leftOut.failure)) return std::nullopt;
    leftOut.entryOnly = entryOnly != 0;
    return leftOut;
}

std::optional<WorkerMessage> ReadFinished(FieldReader& reader) {
    BatchFinished finished;
    if (!reader.Text(finished.text)) return std::nullopt;
    return finished;
}

}  // namespace

std::string Encode(const WorkerMessage& message) {
    std::string out;
    if (const auto* outcome = std::get_if<EntryOutcome>(&message)) {
        out += kEntryKind;
        PutNumber(out, static_cast<std::uint32_t>(outcome->index));
        out += outcome->succeeded ? '\1' : '\0';
        PutText(out, outcome->failure);
        PutTexts(out, outcome->warnings);
        PutFacts(out, outcome->facts);
    } else if (const auto* leftOut = std::get_if<ApiLeftOut>(&message)) {
        out += kApiKind;
        out += leftOut->entryOnly ? '\1' : '\0';
        PutText(out, leftOut->archive);
        PutText(out, leftOut->failure);
    } else {
        out += kFinishedKind;
        PutText(out, std::get<BatchFinished>(message).text);
    }
    return out;
}

std::optional<WorkerMessage> WorkerMessageReader::Next() {
    FieldReader reader(pending_);
    char kind = 0;
    if (!reader.Byte(kind)) return std::nullopt;
    std::optional<WorkerMessage> message;
    if (kind == kEntryKind)
        message = ReadEntry(reader);
    else if (kind == kApiKind)
        message = ReadApi(reader);
    else if (kind == kFinishedKind)
        message = ReadFinished(reader);
    else
        throw std::runtime_error("a worker sent something that is no message");
    if (message) pending_.erase(0, reader.Used());
    return message;
}

}  // namespace vorlan
