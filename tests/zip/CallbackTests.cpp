// SPDX-License-Identifier: MIT
// The engine callback driven by the fake engine's replayed steps: counters,
// events, the progress dialog, the questions and their answers, Cancel, and
// exceptions from event handlers that must not cross the engine.
#include <stdexcept>

#include "tests/zip/ZipTestSupport.h"
#include "zip/EngineCallback.h"

namespace vorlan::test {
namespace {

class CallbackTest : public FakeEngineTest {
protected:
    CallbackTest() : engine(FakeUnzip(0)) {}

    // Replays the steps through Extract and gives the engine's log.
    const FakeEngineLog& Replay(const std::vector<FakeEngineStep>& steps) {
        engine->SetScript(steps, 0);
        zip.FileSpecs() = {"x"};
        zip.Extract();
        return engine->Log();
    }

    std::unique_ptr<FakeEngine> engine;
};

TEST_F(CallbackTest, CountersEventsAndDialogFollowTheBatch) {
    std::vector<std::string> events;
    zip.OnZEDBeginFileEvent = [&](TZip& sender, const std::string& name, int size, int count, int total) {
        EXPECT_EQ(&sender, &zip);
        events.push_back("begin " + name + " " + std::to_string(size) + " " + std::to_string(count) + " " +
                         std::to_string(total));
    };
    zip.OnZEDProgressEvent = [&](TZip&, const std::string& name, int done, int total) {
        events.push_back("progress " + name + " " + std::to_string(done) + " " + std::to_string(total));
    };
    zip.OnZEDEndBatchEvent = [&](TZip&, int skipped, int count, int total) {
        events.push_back("end " + std::to_string(skipped) + " " + std::to_string(count) + " " + std::to_string(total));
    };
    zip.ShowProgressDialog = true;
    const FakeEngineLog& log =
        Replay({Step(ACTION_BATCH_COUNT, 2), Step(ACTION_BATCH_BYTES, 1000), Step(ACTION_BEGIN_FILE, 400, "a.class"),
                Step(ACTION_PROGRESS, 150), Step(ACTION_PROGRESS, 250), Step(ACTION_SKIPPED, 0, "../evil"),
                Step(ACTION_END_BATCH)});
    EXPECT_EQ(log.StepsRun, 7);
    for (int i = 0; i < log.StepsRun; ++i) EXPECT_EQ(log.Replies[i].Result, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"begin a.class 400 2 1000", "progress a.class 150 1000",
                                                "progress a.class 250 1000", "end 1 2 1000"}));
    const BatchCounters& counters = EngineBatchCounters();
    EXPECT_EQ(counters.BatchBytesDone, 400);
    EXPECT_EQ(counters.SkippedCount, 1);
    ASSERT_EQ(app.dialogs.size(), 1u);
    EXPECT_EQ(app.dialogs[0]->calls,
              (std::vector<std::string>{"show", "max 1000", "text a.class", "position 150", "position 400", "hide"}));
    EXPECT_EQ(app.pumps, 7);
}

TEST_F(CallbackTest, ProgressBeforeAnyFileReportsThePreviousFile) {
    Replay({Step(ACTION_BEGIN_FILE, 1, "old.txt")});
    std::string reported = "unset";
    zip.OnZEDProgressEvent = [&](TZip&, const std::string& name, int, int) { reported = name; };
    Replay({Step(ACTION_BATCH_BYTES, 10), Step(ACTION_PROGRESS, 5)});
    EXPECT_EQ(reported, "old.txt");
    EXPECT_EQ(EngineBatchCounters().BatchBytesDone, 5);
}

TEST_F(CallbackTest, OtherActionCodesChangeNothingButStillPump) {
    const FakeEngineLog& log = Replay({Step(0, 5, "n", 3), Step(4, 5, "n", 3), Step(7, 5, "n", 3), Step(12, 5, "n", 3),
                                       Step(0xFFFFFFFFu, 5, "n", 3)});
    ASSERT_EQ(log.StepsRun, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(log.Replies[i].Result, 0);
        EXPECT_EQ(log.Replies[i].Value, 5);
        EXPECT_EQ(log.Replies[i].Status, 3);
    }
    EXPECT_EQ(app.pumps, 5);
    EXPECT_TRUE(app.messages.empty());
}

struct OverwriteCase {
    TOptionSet options;
    std::int32_t status;  // bit 0: the existing file is older
    std::deque<int> answers;
    std::int32_t value;
    std::int32_t result;
    unsigned askedStyle;  // 0: no question
};

class OverwriteTest : public CallbackTest, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(OverwriteTest, DecisionFollowsTheExtractOptions) {
    const OverwriteCase& c = GetParam();
    zip.ExtractOptions = c.options;
    app.messageAnswers = c.answers;
    const FakeEngineLog& log = Replay({Step(ACTION_OVERWRITE, 9, "Main.class", c.status)});
    EXPECT_EQ(log.Replies[0].Value, c.value);
    EXPECT_EQ(log.Replies[0].Result, c.result);
    EXPECT_TRUE(app.dialogs.empty());  // questions come without a progress dialog too
    if (c.askedStyle == 0) {
        EXPECT_TRUE(app.messages.empty());
        return;
    }
    ASSERT_EQ(app.messages.size(), 1u);
    EXPECT_EQ(app.messages[0].style, c.askedStyle);
    EXPECT_EQ(app.messages[0].caption, "Vorlan");
    EXPECT_EQ(app.messages[0].text, (c.status & 1) != 0
                                        ? "\"Main.class\" is older than the zipped file.\nOverwrite this file? ..."
                                        : "\"Main.class\" is the same age or newer than the zipped file.\nDo you "
                                          "really want to overwrite this file? ...");
}

INSTANTIATE_TEST_SUITE_P(Options, OverwriteTest,
                         ::testing::Values(OverwriteCase{0x10, 0, {}, 1, 0, 0},  // the window's {4}: always replace
                                           OverwriteCase{0x00, 0, {}, 1, 0, 0}, OverwriteCase{0x01, 1, {}, 1, 0, 0},
                                           OverwriteCase{0x01, 0, {}, 0, 0, 0}, OverwriteCase{0x0A, 1, {}, 1, 0, 0},
                                           OverwriteCase{0x08, 1, {IDYES}, 1, 0, 0x43},
                                           OverwriteCase{0x08, 0, {IDNO}, 0, 0, 0x113},
                                           OverwriteCase{0x08, 0, {IDCANCEL}, 0, -1, 0x113}));

TEST_F(CallbackTest, CrcAnswersAndCancelStopEveryLaterCall) {
    zip.ShowProgressDialog = true;
    app.messageAnswers = {IDYES, IDNO, IDCANCEL};
    const FakeEngineLog& log = Replay({Step(ACTION_CRC_ERROR, 0, "a", 5), Step(ACTION_CRC_ERROR, 0, "b", 5),
                                       Step(ACTION_CRC_ERROR, 0, "bad.bin", 7)});
    EXPECT_EQ(log.Replies[0].Status, 1);
    EXPECT_EQ(log.Replies[1].Status, 0);
    EXPECT_EQ(log.Replies[1].Result, 0);
    EXPECT_EQ(log.Replies[2].Result, -1);
    EXPECT_EQ(log.Replies[2].Status, 7);  // left as the engine set it
    EXPECT_TRUE(zip.Cancelled);
    EXPECT_EQ(app.messages[2].text, "\"bad.bin\" may be corrupted (CRC error).\nExtract this file anyway? ...");
    EXPECT_EQ(app.messages[2].style, 0x123u);
    // Shown again after Yes and No, not after Cancel.
    EXPECT_EQ(app.dialogs[0]->calls, (std::vector<std::string>{"show", "hide", "show", "hide", "show", "hide"}));

    // Once cancelled, a callback handles nothing and asks nothing.
    CallbackRecord record{};
    record.Caller = &zip;
    record.ActionCode = ACTION_CRC_ERROR;
    EXPECT_EQ(EngineCallback(&record), -1);
    EXPECT_EQ(app.messages.size(), 3u);
}

TEST_F(CallbackTest, PasswordPromptAnswersThroughTheRecord) {
    zip.ShowProgressDialog = true;
    app.inputAnswers = {"s3cret", "again", "", std::string(2000, 'p')};
    const FakeEngineLog& log = Replay({Step(ACTION_PASSWORD, 2, "lock.bin"), Step(ACTION_PASSWORD, 0, "lock.bin"),
                                       Step(ACTION_PASSWORD, 2, "lock.bin"), Step(ACTION_PASSWORD, 1, "lock.bin")});
    ASSERT_EQ(app.inputs.size(), 4u);
    EXPECT_EQ(app.inputs[0].prompt, "A new password is required for \"lock.bin\"");
    EXPECT_EQ(app.inputs[0].caption, "Vorlan");
    EXPECT_EQ(app.inputs[0].defaultText, "");
    EXPECT_EQ(app.inputs[0].maxLength, 255);
    EXPECT_STREQ(log.Replies[0].Text, "s3cret");
    EXPECT_EQ(log.Replies[0].Status, 1);
    EXPECT_EQ(log.Replies[0].Value, 1);
    EXPECT_EQ(log.Replies[1].Value, 0);   // no tries left stays at none
    EXPECT_EQ(log.Replies[2].Status, 0);  // cancelled prompt
    EXPECT_EQ(log.Replies[2].Value, 0);
    EXPECT_EQ(std::string(log.Replies[3].Text).size(), CALLBACK_TEXT_SIZE - 1);  // cut to fit the record
    EXPECT_EQ(std::vector<std::string>(app.dialogs[0]->calls.begin(), app.dialogs[0]->calls.begin() + 3),
              (std::vector<std::string>{"show", "hide", "show"}));
}

TEST_F(CallbackTest, CancelClickDuringThePumpStopsTheNextCall) {
    zip.ShowProgressDialog = true;
    int pumps = 0;
    app.onProcessMessages = [&] {
        if (++pumps == 2) app.lastDialogOwner->CancelOperation();
    };
    const FakeEngineLog& log =
        Replay({Step(ACTION_BEGIN_FILE, 1, "a"), Step(ACTION_BEGIN_FILE, 1, "b"), Step(ACTION_BEGIN_FILE, 1, "c")});
    EXPECT_EQ(log.StepsRun, 3);
    EXPECT_EQ(log.Replies[1].Result, 0);  // taken before the pump
    EXPECT_EQ(log.Replies[2].Result, -1);
    EXPECT_EQ(EngineBatchCounters().CurrentFile, "b");
    EXPECT_TRUE(zip.Cancelled);
}

TEST_F(CallbackTest, ExceptionInAHandlerStopsTheEngineAndReachesTheCaller) {
    zip.ShowProgressDialog = true;
    zip.OnZEDBeginFileEvent = [](TZip&, const std::string&, int, int, int) {
        throw std::runtime_error("handler failed");
    };
    engine->SetScript({Step(ACTION_BEGIN_FILE, 1, "a"), Step(ACTION_PROGRESS, 1)}, 0);
    zip.FileSpecs() = {"x"};
    std::string caught;
    try {
        zip.Extract();
    } catch (const std::runtime_error& error) {
        caught = error.what();
    }
    EXPECT_EQ(caught, "handler failed");
    EXPECT_EQ(engine->Log().StepsRun, 1);
    EXPECT_EQ(engine->Log().Replies[0].Result, -1);
    EXPECT_FALSE(app.dialogs[0]->alive);
    EXPECT_EQ(zip.ProgressForm, nullptr);

    // The failure is not kept for the next operation.
    zip.OnZEDBeginFileEvent = nullptr;
    EXPECT_NO_THROW(Replay({Step(ACTION_BEGIN_FILE, 1, "a")}));
}

TEST_F(CallbackTest, ExceptionWhilePumpingStopsAtOnce) {
    app.onProcessMessages = [] { throw std::logic_error("window handler failed"); };
    engine->SetScript({Step(ACTION_BATCH_COUNT, 1), Step(ACTION_BATCH_COUNT, 2)}, 0);
    zip.FileSpecs() = {"x"};
    EXPECT_THROW(zip.Extract(), std::logic_error);
    EXPECT_EQ(engine->Log().StepsRun, 1);
    EXPECT_EQ(engine->Log().Replies[0].Result, -1);
}

TEST(EngineCallbackRecord, RecordWithoutCallerIsStopped) {
    CallbackRecord record{};
    EXPECT_EQ(EngineCallback(&record), -1);
    EXPECT_EQ(EngineCallback(nullptr), -1);
}

}  // namespace
}  // namespace vorlan::test
