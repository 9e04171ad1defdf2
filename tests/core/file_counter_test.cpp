#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/FileCounter.h"
#include "core/FileNames.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;

struct ParseCase {
    const char* content;    // nullptr: no file
    std::int32_t value;     // from a starting value of 77
    const char* fileAfter;  // nullptr: as before
};

class FileCounterTest : public testing::TestWithParam<ParseCase> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavelin_counter_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/Pellor.inf";
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Content() const {
        std::stringstream s;
        s << std::ifstream(path_, std::ios::binary).rdbuf();
        return s.str();
    }
    std::string dir_, path_;
};

TEST_P(FileCounterTest, ReadsLikeScanfWithoutItsOverflow) {
    const ParseCase& c = GetParam();
    if (c.content != nullptr)
        std::ofstream(path_, std::ios::binary) << c.content;
    std::int32_t value = 77;
    ReadFileCounter(value, path_);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(Content(), c.fileAfter != nullptr ? c.fileAfter : c.content);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, FileCounterTest,
    testing::Values(ParseCase{"  42\n", 42, nullptr}, ParseCase{"42abc", 42, nullptr},
                    ParseCase{"\t\r\n\v\f 9 10", 9, nullptr}, ParseCase{"-7", -7, nullptr},
                    ParseCase{"+5", 5, nullptr}, ParseCase{"abc", 77, nullptr},
                    ParseCase{"-", 77, nullptr}, ParseCase{" -x1", 77, nullptr},
                    ParseCase{"", 0, "0"}, ParseCase{" \n\t ", 0, "0"}, ParseCase{nullptr, 0, "0"},
                    ParseCase{"2147483647", INT32_MAX, nullptr},
                    ParseCase{"-2147483648", INT32_MIN, nullptr},
                    // Out of range: not a number this program wrote; nothing changes.
                    ParseCase{"2147483648", 77, nullptr}, ParseCase{"-2147483649", 77, nullptr},
                    ParseCase{"99999999999999999999", 77, nullptr}));

TEST_F(FileCounterTest, WritesTheBareNumberAndSkipsUnwritablePlacesSilently) {
    std::ofstream(path_) << "123456789 and more";
    WriteFileCounter(-5, path_);
    EXPECT_EQ(Content(), "-5");

    const std::string nowhere = dir_ + "/missing/Pellor.inf";
    std::int32_t value = 12;
    ReadFileCounter(value, nowhere);
    EXPECT_EQ(value, 0);
    WriteFileCounter(3, nowhere);
    EXPECT_FALSE(fs::exists(dir_ + "/missing"));
    value = 12;  // a folder in the file's place cannot be read: the counter stays
    ReadFileCounter(value, dir_);
    EXPECT_EQ(value, 12);
}

TEST(RecordingNameTest, FiveDigitNamesAndTheirFolder) {
    EXPECT_EQ(NumberedAviName(7), "/Tavelin-00007.avi");
    EXPECT_EQ(NumberedAviName(123456), "/Tavelin-123456.avi");
    EXPECT_EQ(NumberedAviName(-5), "/Tavelin--0005.avi");
    EXPECT_EQ(DirectoryOf("/home/u/videos/Tavelin-00001.avi"), "/home/u/videos");
    EXPECT_EQ(DirectoryOf("/Tavelin-00001.avi"), "");
    EXPECT_EQ(DirectoryOf("Tavelin-00001.avi"), "");
}

// The hidden name stays within the longest name the folder takes, cut between UTF-8
// characters, and reads back as what it was made from (start-up clean-up finds them).
TEST(RecordingNameTest, HiddenNamesFitTheFolderAndReadBack) {
    std::string accented = "x";
    for (int i = 0; i < 127; ++i)
        accented += "\xc3\xa9";  // 2 bytes each: 255 in all
    struct Case {
        std::string name;
        long pid;
        unsigned serial;
        std::string kept;  // what of the name goes into the hidden one
    };
    const Case cases[] = {
        {"clip.avi", 123, 4, "clip.avi"},
        {std::string(255, 'a'), 4194304, 4294967295u, std::string(230, 'a')},
        {std::string(230, 'b'), 4194304, 4294967295u, std::string(230, 'b')},
        {std::string(231, 'c'), 4194304, 4294967295u, std::string(230, 'c')},
        {std::string(231, 'd'), 1, 0, std::string(231, 'd')},
        {accented, 4194304, 4294967295u, accented.substr(0, 229)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.size());
        const std::string hidden = TemporaryName("/videos/" + c.name, "part", c.pid, c.serial);
        ASSERT_EQ(hidden.rfind("/videos/", 0), 0u);
        const std::string file = hidden.substr(8);
        EXPECT_LE(file.size(), kNameMax);
        EXPECT_EQ(file,
                  "." + c.kept + ".part-" + std::to_string(c.pid) + "-" + std::to_string(c.serial));
        TemporaryNameParts parts;
        ASSERT_TRUE(ParseTemporaryName(file, parts));
        EXPECT_EQ(parts.name, c.kept);
        EXPECT_EQ(parts.kind, "part");
        EXPECT_EQ(parts.pid, c.pid);
        EXPECT_EQ(parts.serial, c.serial);
    }
    EXPECT_EQ(TemporaryName("Pellor.inf", "tmp", 9, 2), ".Pellor.inf.tmp-9-2");
    EXPECT_EQ(TemporaryName("/d/" + std::string(40, 'e'), "tmp", 9, 2, 20),
              "/d/." + std::string(11, 'e') + ".tmp-9-2");
}

TEST(RecordingNameTest, OnlyHiddenNamesOfThatFormReadBack) {
    TemporaryNameParts parts;
    for (const char* name :
         {"clip.avi", ".clip.avi", ".clip.avi.part-12", ".clip.avi.part-x-1", ".clip.avi.part-1-",
          ".clip.avi.Part-1-2", ".clip.avi.part--1-2", ".clip.avi.part-+1-2", "..part-1-2",
          ".clip.avi.-1-2", ".clip.avi.part-99999999999999999999-1"}) {
        EXPECT_FALSE(ParseTemporaryName(name, parts)) << name;
    }
    ASSERT_TRUE(ParseTemporaryName(".a.b-c.part-7-8", parts));
    EXPECT_EQ(parts.name, "a.b-c");
    EXPECT_EQ(CounterLockPath("/data/Pellor.inf"), "/data/.Pellor.inf.lock");
}

}  // namespace
}  // namespace tavelin
