// SPDX-License-Identifier: MIT
// UTF-8 character cuts and line-end conversion for showing texts.
#include "platform/TextCharacters.h"

#include <string_view>

#include "zipformat/Utf8.h"

namespace vorlan {

// A cut only has to keep sequences whole, so the lenient length serves:
// a stray byte counts as one character.
std::string FirstCharacters(const std::string& text, std::size_t count) {
    const std::string_view all(text);
    std::size_t end = 0;
    for (std::size_t taken = 0; taken < count && end < text.size(); ++taken) end += Utf8SequenceLength(all.substr(end));
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
