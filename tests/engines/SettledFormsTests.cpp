// SPDX-License-Identifier: MIT
// Compressed forms found again by the state of the file they were made from:
// found only for exactly that state, read settled, at that level, while the
// cache still keeps the form.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "engines/SettledForms.h"

namespace vorlan::engine {
namespace {

timespec At(long long seconds, long nanoseconds) {
    return timespec{static_cast<time_t>(seconds), nanoseconds};
}

FileState SomeFile() {
    FileState state;
    state.device = 7;
    state.inode = 1234;
    state.size = 9000;
    state.modified = At(1'000'000, 5);
    state.changed = At(1'700'000'000, 250'000'000);
    return state;
}

std::shared_ptr<const CompressedEntry> SomeForm() {
    auto form = std::make_shared<CompressedEntry>();
    form->data = {1, 2, 3};
    form->size = 9000;
    return form;
}

// Read a second after its last change: settled.
FileReading SettledReading(const FileState& state) {
    return FileReading{state, At(state.changed.tv_sec + 1, 0)};
}

TEST(SettledForms, FoundOnlyForTheVeryStateItWasReadIn) {
    SettledForms forms;
    const FileState read = SomeFile();
    const auto form = SomeForm();
    EXPECT_FALSE(forms.Knows("api/A.class"));
    forms.Remember("api/A.class", SettledReading(read), 9, form);
    EXPECT_TRUE(forms.Knows("api/A.class"));
    EXPECT_EQ(forms.Find("api/A.class", read, 9), form);
    EXPECT_EQ(forms.Find("api/B.class", read, 9), nullptr);
    EXPECT_EQ(forms.Find("api/A.class", read, 6), nullptr);  // another level, another form

    // Any difference in what the kernel keeps of the file: another file, or a changed one.
    const std::pair<const char*, void (*)(FileState&)> differences[] = {
        {"device", [](FileState& f) { f.device = 8; }},
        {"inode", [](FileState& f) { f.inode = 1235; }},
        {"size", [](FileState& f) { f.size = 9001; }},
        {"modified", [](FileState& f) { f.modified.tv_nsec += 1; }},
        {"changed", [](FileState& f) { f.changed.tv_nsec += 1; }},
    };
    for (const auto& [field, change] : differences) {
        FileState other = read;
        change(other);
        EXPECT_EQ(forms.Find("api/A.class", other, 9), nullptr) << field;
    }
}

TEST(SettledForms, AReadingCloseToTheLastChangeIsNeverTrusted) {
    SettledForms forms;
    const FileState read = SomeFile();
    const auto form = SomeForm();
    // A write within the same clock tick after this reading would leave ctime as it is.
    const timespec soon = At(read.changed.tv_sec, read.changed.tv_nsec + kSettledAfterNanoseconds / 2);
    forms.Remember("A.class", FileReading{read, soon}, 9, form);
    EXPECT_EQ(forms.Find("A.class", read, 9), nullptr);
    // A reading before the change time (a clock set back) is no better.
    forms.Remember("A.class", FileReading{read, At(read.changed.tv_sec - 5, 0)}, 9, form);
    EXPECT_EQ(forms.Find("A.class", read, 9), nullptr);
    // Just past the margin, across a second boundary.
    FileState lateInSecond = read;
    lateInSecond.changed = At(1'700'000'000, 950'000'000);
    const timespec justAfter = At(1'700'000'001, 950'000'001 + kSettledAfterNanoseconds - 1'000'000'000);
    forms.Remember("A.class", FileReading{lateInSecond, justAfter}, 9, form);
    EXPECT_EQ(forms.Find("A.class", lateInSecond, 9), form);
    const timespec justBefore = At(1'700'000'001, 950'000'000 + kSettledAfterNanoseconds - 1'000'000'000);
    forms.Remember("A.class", FileReading{lateInSecond, justBefore}, 9, form);
    EXPECT_EQ(forms.Find("A.class", lateInSecond, 9), nullptr);
}

TEST(SettledForms, AFormTheCacheLetGoIsNotKeptAliveHere) {
    SettledForms forms;
    const FileState read = SomeFile();
    auto form = SomeForm();
    forms.Remember("A.class", SettledReading(read), 9, form);
    form.reset();
    EXPECT_EQ(forms.Find("A.class", read, 9), nullptr);
    // A later reading of the same path takes the place of the earlier one.
    const auto newer = SomeForm();
    FileState rewritten = read;
    rewritten.changed.tv_sec += 10;
    forms.Remember("A.class", SettledReading(rewritten), 9, newer);
    EXPECT_EQ(forms.Find("A.class", read, 9), nullptr);
    EXPECT_EQ(forms.Find("A.class", rewritten, 9), newer);
}

}  // namespace
}  // namespace vorlan::engine
