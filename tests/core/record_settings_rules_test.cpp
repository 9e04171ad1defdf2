#include "core/RecordSettingsRules.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/UnwritableFolder.h"

namespace tavelin {
namespace {

TEST(MasterStreamTest, RadioFromStoredValueAndBack) {
    struct Case {
        int stored;
        int radio;
    };
    for (const Case c : {Case{-1, 0}, Case{1, 1}, Case{2, 2}, Case{0, 1}, Case{3, 1}, Case{-2, 1},
                         Case{127, 1}, Case{-128, 1}}) {
        EXPECT_EQ(MasterStreamRadio(static_cast<std::int8_t>(c.stored)), c.radio) << c.stored;
    }
    for (const int radio : {0, 1, 2}) {
        EXPECT_EQ(MasterStreamRadio(MasterStreamOfRadio(radio)), radio);
    }
    EXPECT_EQ(MasterStreamOfRadio(0), -1) << "None is -1, never 0";
    EXPECT_EQ(MasterStreamOfRadio(7), 1);
}

TEST(FileCounterFieldTest, AcceptsWholeNumbersFromZeroTo99999Only) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    for (const Case& c : {Case{"0", 0}, Case{"99999", 99999}, Case{"  20\t", 20}, Case{"00020", 20},
                          Case{"000000000000000007", 7}}) {
        EXPECT_EQ(ParseFileCounterField(c.text), c.value) << c.text;
    }
    for (const char* refused :
         {"", "  ", "100000", "-1", "+5", "1e3", "4 2", "12a", "0x10", "99999999999999999999999"}) {
        EXPECT_EQ(ParseFileCounterField(refused), std::nullopt) << refused;
    }
    EXPECT_NE(std::string(kFileCounterRefused).find("0 to 99999"), std::string::npos);
}

TEST(RecordingNameTest, NumberedNameIsTheFolderOfThePathAndTheCounter) {
    EXPECT_EQ(NumberedPathFor("/v/holiday.avi", 20), "/v/Tavelin-00020.avi");
    EXPECT_EQ(NumberedPathFor("/v/Tavelin-00004.avi", 123456), "/v/Tavelin-123456.avi");
    EXPECT_EQ(NumberedPathFor("holiday.avi", 7), "/Tavelin-00007.avi");
    EXPECT_EQ(NumberedPathFor("/a.b/c/", 1), "/a.b/c/Tavelin-00001.avi");

    struct Case {
        const char* path;
        std::int32_t counter;
        bool typed;
    };
    for (const Case& c :
         {Case{"/v/Tavelin-00004.avi", 4, false}, Case{"/V/TAVELIN-00004.AVI", 4, false},
          Case{"/v/Tavelin-00004.avi", 5, true}, Case{"/v/holiday.avi", 4, true},
          Case{"/v/Tavelin--0005.avi", -5, false}, Case{"/v/Tavelin-00004.avi.avi", 4, true}}) {
        EXPECT_EQ(IsTypedName(c.path, c.counter), c.typed) << c.path << " " << c.counter;
    }
    EXPECT_EQ(FilePartOf("/v/x.avi"), "/x.avi");
    EXPECT_EQ(FilePartOf("x.avi"), "x.avi");
    EXPECT_TRUE(PathsEqual("/Video/A.avi", "/vIDEO/a.AVI"));
    EXPECT_FALSE(PathsEqual("/v/a.avi", "/v/a.avi "));
    EXPECT_FALSE(PathsEqual("/v/\xc3\xa9.avi", "/v/\xc3\x89.avi")) << "UTF-8 bytes must match";
}

TEST(VideoSettingsTargetTest, NumberedUnlessTheUserTypedAnotherName) {
    struct Case {
        const char* path;
        std::int32_t counter;
        bool typedName;
        const char* aviPath;
        bool useTyped;
    };
    for (const Case& c : {
             Case{"/v/Tavelin-00004.avi", 4, false, "/v/Tavelin-00004.avi", false},
             Case{"/v/holiday.avi", 4, true, "/v/holiday.avi", true},
             Case{"/v/Tavelin-00004.avi", 20, false, "/v/Tavelin-00020.avi", false},
             // A flag left from an earlier edit does not make the numbered name a typed one.
             Case{"/v/TAVELIN-00004.AVI", 4, true, "/v/Tavelin-00004.avi", false},
             // Without the flag the folder is all that counts.
             Case{"/w/holiday.avi", 4, false, "/w/Tavelin-00004.avi", false},
         }) {
        const AviTarget t = VideoSettingsTarget(c.path, c.counter, c.typedName);
        EXPECT_EQ(t.aviPath, c.aviPath) << c.path;
        EXPECT_EQ(t.useTypedNameOnce, c.useTyped) << c.path;
    }
}

TEST(RecordSettingsTargetTest, OnlyTheNextNumberedNameLeavesTheStoredTargetAlone) {
    struct Case {
        const char* output;
        AviTarget current;
        std::int32_t counterInFile;
        AviTarget expected;
    };
    const std::string numbered = "/v/Tavelin-00004.avi";
    for (const Case& c : {
             Case{"/v/Tavelin-00004.avi", {numbered, false}, 4, {numbered, false}},
             // A typed name chosen in Video settings stays pending.
             Case{"/v/Tavelin-00004.avi", {numbered, true}, 4, {numbered, true}},
             Case{"/V/tavelin-00004.AVI", {numbered, false}, 4, {numbered, false}},
             Case{"/v/mine.avi", {numbered, false}, 4, {"/v/mine.avi", true}},
             Case{"/w/Tavelin-00004.avi", {numbered, false}, 4, {"/w/Tavelin-00004.avi", true}},
             // The same path, but not the name the next numbered recording gets.
             Case{"/v/Tavelin-00004.avi", {numbered, false}, 5, {numbered, true}},
             Case{"/v/mine.avi", {"/v/mine.avi", false}, 4, {"/v/mine.avi", true}},
         }) {
        const AviTarget t = RecordSettingsTarget(c.output, c.current, c.counterInFile);
        EXPECT_EQ(t.aviPath, c.expected.aviPath) << c.output << " " << c.counterInFile;
        EXPECT_EQ(t.useTypedNameOnce, c.expected.useTypedNameOnce)
            << c.output << " " << c.counterInFile;
    }
}

class SaveFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char base[] = "/tmp/tavelin-folder-XXXXXX";
        ASSERT_NE(::mkdtemp(base), nullptr);
        dir_ = base;
    }
    void TearDown() override {
        std::remove((dir_ + "/file").c_str());
        ::rmdir(dir_.c_str());
    }
    std::string dir_;
};

TEST_F(SaveFolderTest, UsableOnlyForAnExistingDirectory) {
    EXPECT_EQ(SaveFolderOf("/a/b/c.avi"), "/a/b");
    EXPECT_EQ(SaveFolderOf("/c.avi"), "/");
    EXPECT_EQ(SaveFolderOf("c.avi"), "");
    std::FILE* f = std::fopen((dir_ + "/file").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    struct Case {
        std::string path;
        SaveFolderState state;
    };
    for (const Case& c :
         {Case{dir_ + "/x.avi", SaveFolderState::Usable},
          Case{dir_ + "/missing/x.avi", SaveFolderState::Missing},
          Case{dir_ + "/file/x.avi", SaveFolderState::Missing},
          Case{"x.avi", SaveFolderState::Missing}, Case{"", SaveFolderState::Missing}}) {
        EXPECT_EQ(CheckSaveFolder(c.path), c.state) << c.path;
    }
    EXPECT_STREQ(SaveFolderMessage(SaveFolderState::Missing), kSavePathMissing);
    EXPECT_STREQ(SaveFolderMessage(SaveFolderState::NotWritable), kSavePathNotWritable);
    EXPECT_EQ(SaveFolderMessage(SaveFolderState::Usable), nullptr);
}

TEST_F(SaveFolderTest, AFolderThatCannotBeWrittenIsReportedAsSuch) {
    SaveFolderState state = SaveFolderState::Usable;
    {
        testing::UnwritableFolder locked;
        if (!locked.ready())
            GTEST_SKIP() << "cannot make a folder unwritable here";
        state = CheckSaveFolder(locked.path() + "/x.avi");
    }
    EXPECT_EQ(state, SaveFolderState::NotWritable);
}

TEST(RecordListsTest, OwnDefaultsThenTheStoredSelectionsWhereTheyExist) {
    CodecLists lists;
    lists.videoCompressors = {"DivX 6", "Intel Indeo(R) Video 5.10", "Cinepak"};
    lists.audioDevices = {"Mic", "Line in"};
    lists.audioCompressors = {"GSM 6.10", "pcm s16le", "MPEG Layer-3"};

    struct Case {
        std::int32_t video, audio;
        int shownVideo, shownAudio;
    };
    for (const Case c :
         {Case{99, 3, 1, 1}, Case{2, 2, 2, 2}, Case{0, 0, 0, 0}, Case{-1, -1, 1, 1}}) {
        const RecordListsShown shown = PrepareRecordLists(lists, c.video, c.audio);
        EXPECT_EQ(shown.videoCompressor, c.shownVideo) << c.video;
        EXPECT_EQ(shown.audioCompressor, c.shownAudio) << c.audio;
        EXPECT_EQ(shown.audioDevice, 0);
        EXPECT_TRUE(shown.audioDeviceAvailable);
    }

    // DivX is the main window's default, not this dialog's; the last entry is never a default.
    lists.videoCompressors = {"Cinepak", "DivX Pro", "Intel Indeo(R) 4"};
    lists.audioCompressors = {"GSM 6.10", "PCM"};
    const RecordListsShown shown = PrepareRecordLists(lists, 5, 5);
    EXPECT_EQ(shown.videoCompressor, 0);
    EXPECT_EQ(shown.audioCompressor, 0);
}

TEST(RecordListsTest, FailedAudioListingsShowNone) {
    CodecLists lists;
    lists.videoCompressors = {"Cinepak"};
    lists.audioDevicesListed = false;
    lists.audioCompressorsListed = false;
    const RecordListsShown shown = PrepareRecordLists(lists, 0, 1);
    EXPECT_EQ(shown.audioDevices, std::vector<std::string>{kNoneEntry});
    EXPECT_EQ(shown.audioCompressors, std::vector<std::string>{kNoneEntry});
    EXPECT_FALSE(shown.audioDeviceAvailable);
    EXPECT_EQ(shown.audioCompressor, 0) << "position 1 does not exist";
}

TEST(PlaceholderTest, EnoughEntriesForTheSelectionToExist) {
    struct Case {
        int count;
        std::int32_t index;
        int needed;
    };
    for (const Case c : {Case{3, 1, 0}, Case{3, 2, 0}, Case{3, 3, 1}, Case{0, 0, 1}, Case{2, 5, 4},
                         Case{5, -1, 0}, Case{0, -1, 0}}) {
        EXPECT_EQ(PlaceholdersNeeded(c.count, c.index), c.needed) << c.count << " " << c.index;
    }
}

}  // namespace
}  // namespace tavelin
