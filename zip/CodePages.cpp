// SPDX-License-Identifier: MIT
// The component's OEM code page and its OEM <-> ANSI helpers.
#include "zip/CodePages.h"

#include "zip/TZip.h"
#include "zipformat/NameDecoding.h"

namespace vorlan {

namespace {

std::string& ChosenCodePage() {
    static std::string* codePage = new std::string;
    return *codePage;
}

}  // namespace

std::string OemCodePage() {
    std::string& chosen = ChosenCodePage();
    if (chosen.empty()) chosen = OemCodePageForLocale(LocaleFromEnvironment());
    return chosen;
}

void SetOemCodePage(const std::string& codePage) {
    ChosenCodePage() = codePage;
}

std::string OemToAnsiName(const TZip& zip, const std::string& text) {
    return zip.OemNames && !text.empty() ? OemToUtf8(text, OemCodePage()) : text;
}

std::string AnsiToOemName(const TZip& zip, const std::string& text) {
    return zip.OemNames && !text.empty() ? Utf8ToOem(text, OemCodePage()) : text;
}

}  // namespace vorlan
