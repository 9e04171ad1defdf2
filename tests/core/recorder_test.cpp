// The names recordings take: the counter file's rules, typed names, names already in
// the folder or taken meanwhile by another program, and numbers given back.

#include "core/Recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/FrameTickFakes.h"
#include "tests/support/LogLines.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;

class FakeRecorderWindow : public IRecorderWindow {
public:
    std::string ReadAviPathText() override { return aviPathText; }
    void WriteAviPathText(const std::string& text) override { aviPathText = text; }
    std::string aviPathText;
};

class RecorderTest : public testing::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        recorder_.SetCounterPath(In("Pellor.inf"));
        window_.aviPathText = In("Tavelin-00007.avi");
    }
    void WriteCounter(const std::string& text) { std::ofstream(recorder_.counterPath()) << text; }
    std::string Counter() const {
        std::ifstream in(recorder_.counterPath());
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    FakeRecorderWindow window_;
    RecordingChoices choices_;
    CRecorder recorder_{window_, choices_};
};

TEST_F(RecorderTest, CounterFileRulesDecideTheName) {
    struct Case {
        const char* content;
        std::int32_t before;  // in memory before the start
        const char* name;
        const char* after;
    };
    for (const Case& c :
         {Case{"9", 0, "Tavelin-00009.avi", "10"}, Case{"", 5, "Tavelin-00000.avi", "1"},
          Case{"abc", 5, "Tavelin-00005.avi", "6"}, Case{"-5", 0, "Tavelin--0005.avi", "-4"},
          Case{"123456", 0, "Tavelin-123456.avi", "123457"},
          Case{"2147483646", 0, "Tavelin-2147483646.avi", "2147483647"}}) {
        SCOPED_TRACE(c.content);
        WriteCounter(c.content);
        recorder_.SetFileCounter(c.before);
        ASSERT_TRUE(recorder_.TakeName());
        EXPECT_EQ(recorder_.takenName().path, In(c.name));
        EXPECT_TRUE(recorder_.takenName().numbered);
        EXPECT_EQ(window_.aviPathText, In(c.name));
        EXPECT_EQ(recorder_.namesForTaken(), &recorder_);
        EXPECT_EQ(Counter(), c.after);
    }
}

TEST_F(RecorderTest, TypedNameUsesNoNumberAndIsUsedOnce) {
    for (const char* start : {"12", "0"}) {
        SCOPED_TRACE(start);
        WriteCounter(start);
        choices_.useTypedNameOnce = true;
        window_.aviPathText = In("mine.avi");
        ASSERT_TRUE(recorder_.TakeName());
        EXPECT_EQ(recorder_.takenName().path, In("mine.avi"));
        EXPECT_FALSE(recorder_.takenName().numbered) << "it may replace a file";
        EXPECT_EQ(recorder_.namesForTaken(), nullptr) << "a typed name never moves on";
        EXPECT_EQ(recorder_.NextFreeName(In("mine.avi")), "");
        EXPECT_FALSE(choices_.useTypedNameOnce);
        recorder_.GiveBackName();
        EXPECT_EQ(Counter(), start);
    }
    ASSERT_TRUE(recorder_.TakeName());
    EXPECT_TRUE(recorder_.takenName().numbered) << "the next start numbers again";
}

// Names already in the folder are skipped and the counter moves past the one used; the
// folder holds Tavelin-00012, -00013 and a dangling link at -00015.
TEST_F(RecorderTest, NumberedNameNeverReplacesAFile) {
    std::ofstream(In("Tavelin-00012.avi")) << "earlier";
    std::ofstream(In("Tavelin-00013.avi")) << "earlier";
    fs::create_symlink(In("nowhere"), In("Tavelin-00015.avi"));
    struct Case {
        const char* counter;
        const char* name;
        const char* after;
    };
    for (const Case& c :
         {Case{"12", "Tavelin-00014.avi", "15"}, Case{"15", "Tavelin-00016.avi", "17"},
          Case{"11", "Tavelin-00011.avi", "12"}}) {
        SCOPED_TRACE(c.counter);
        WriteCounter(c.counter);
        ASSERT_TRUE(recorder_.TakeName());
        EXPECT_EQ(recorder_.takenName().path, In(c.name));
        EXPECT_EQ(window_.aviPathText, In(c.name));
        EXPECT_EQ(Counter(), c.after);
    }
    // A failed start gives back the number it took, not the one the counter held.
    WriteCounter("12");
    ASSERT_TRUE(recorder_.TakeName());
    recorder_.GiveBackName();
    EXPECT_EQ(Counter(), "14");
}

// Another program records into the same folder: it takes names after this one chose its
// number (`taken`: how many in a row) and moves the shared counter (`othersCounter`,
// while this start runs). The recording moves on to the next free number, never past
// one it could use; what a failed start gives back is only its own number.
TEST_F(RecorderTest, NamesTakenMeanwhileMoveTheRecordingOn) {
    struct Case {
        const char* what;
        std::vector<const char*> existing;
        int taken;
        const char* othersCounter;  // nullptr: left alone
        bool fails;
        const char* name;  // the file's name and the path field's
        const char* after;
    };
    const Case cases[] = {
        {"one taken", {}, 1, nullptr, false, "Tavelin-00006.avi", "7"},
        {"three taken", {}, 3, nullptr, false, "Tavelin-00008.avi", "9"},
        {"files after it",
         {"Tavelin-00006.avi", "Tavelin-00007.avi"},
         1,
         nullptr,
         false,
         "Tavelin-00008.avi",
         "9"},
        {"counter moved on", {}, 1, "20", false, "Tavelin-00006.avi", "20"},
        {"failed after a move", {}, 1, nullptr, true, "Tavelin-00006.avi", "6"},
        {"failed, counter moved on", {}, 1, "20", true, "Tavelin-00006.avi", "20"},
        {"failed, none taken", {}, 0, "9", true, "Tavelin-00005.avi", "9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        for (const char* name : c.existing)
            std::ofstream(In(name)) << "earlier";
        WriteCounter("5");
        ASSERT_TRUE(recorder_.TakeName());
        EXPECT_EQ(recorder_.takenName().path, In("Tavelin-00005.avi"));
        const std::string named = testing::NameAfterOthersTookIt(
            recorder_.takenName().path, recorder_.namesForTaken(), c.taken);
        if (c.othersCounter != nullptr)
            WriteCounter(c.othersCounter);
        if (c.fails)
            recorder_.GiveBackName();
        EXPECT_EQ(named, In(c.name));
        EXPECT_EQ(recorder_.takenName().path, In(c.name));
        EXPECT_EQ(window_.aviPathText, In(c.name));
        EXPECT_EQ(Counter(), c.after);
    }
}

TEST_F(RecorderTest, NoNumberLeftTakesNoneAndWritesNothing) {
    for (const char* counter : {"2147483647", "2147483646"}) {
        SCOPED_TRACE(counter);
        std::ofstream(In("Tavelin-2147483646.avi")) << "earlier";
        WriteCounter(counter);
        window_.aviPathText = In("Tavelin-00007.avi");
        testing::LogLines log;
        EXPECT_FALSE(recorder_.TakeName());
        EXPECT_TRUE(
            log.Has(LogArea::Record, LogLevel::Warning, {"no recording number is free", counter}));
        EXPECT_EQ(Counter(), counter);
        EXPECT_EQ(window_.aviPathText, In("Tavelin-00007.avi"));
        recorder_.GiveBackName();
        EXPECT_EQ(Counter(), counter) << "nothing was taken, nothing goes back";
    }
}

}  // namespace
}  // namespace tavelin
