// UTF-8 character cuts and line-end conversion for showing texts.
#include "platform/TextCharacters.h"

namespace vorlan {

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The number of bytes of a valid UTF-8 sequence starting at `at`, or 1 when
// the bytes there are not one.
std::size_t SequenceLength(const std::string& text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (at + length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i)
        if (!IsContinuation(static_cast<unsigned char>(text[at + i]))) return 1;
    return length;
}

}  // namespace

std::string FirstCharacters(const std::string& text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t taken = 0; taken < count && end < text.size(); ++taken) end += SequenceLength(text, end);
    return text.substr(0, end);
}

std::string WithLineFeeds(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            shown += text[i];
        } else {
            shown += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        }
    }
    return shown;
}

}  // namespace vorlan
