// What the program finds under the names it writes: links, FIFOs, folders, set-id
// files, and a disk that refuses to grow. Nothing it writes may follow a link, take
// set-id bits, hang, or lose the old content when the write fails.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/FileCounter.h"
#include "core/JpegFile.h"
#include "core/StillImage.h"
#include "tests/support/RefusingDisk.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;
using testing::RefusingDisk;

class FileSafetyTest : public testing::TempFolderTest {
protected:
    std::string In(const char* name) const { return TempFolderTest::In(name); }
    static std::string Content(const std::string& path) {
        std::stringstream s;
        s << std::ifstream(path, std::ios::binary).rdbuf();
        return s.str();
    }
    static mode_t Mode(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st.st_mode;
    }
};

mode_t DefaultMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// What is under the name before a still picture or the counter is written there.
struct Planted {
    const char* what;
    std::function<void(const std::string& path, const std::string& victim)> plant;
    bool fromDefault;  // the new file gets 0666 less the umask
    mode_t mode;       // otherwise these bits
};
void PrintTo(const Planted& p, std::ostream* os) {
    *os << p.what;
}

const Planted kPlanted[] = {
    {"Nothing", [](const std::string&, const std::string&) {}, true, 0},
    {"PrivateFile",
     [](const std::string& path, const std::string&) {
         std::ofstream(path) << "old";
         ::chmod(path.c_str(), 0600);
     },
     false, 0600},
    {"SetuidFile",
     [](const std::string& path, const std::string&) {
         std::ofstream(path) << "old";
         ::chmod(path.c_str(), 04777);
     },
     false, 0777},
    {"LinkToSetuidFile",
     [](const std::string& path, const std::string& victim) {
         ::symlink(victim.c_str(), path.c_str());
     },
     true, 0},
};

class ReplacedFile : public FileSafetyTest, public ::testing::WithParamInterface<Planted> {
protected:
    void Check(const std::string& path, const std::string& victim) {
        const mode_t mode = Mode(path);
        EXPECT_TRUE(S_ISREG(mode)) << "the name holds a file of its own, not a link";
        EXPECT_EQ(mode & 07000, 0u) << "no set-id or sticky bit";
        EXPECT_EQ(mode & 0777, GetParam().fromDefault ? DefaultMode() : GetParam().mode);
        EXPECT_EQ(Content(victim), "victim") << "nothing was written through the link";
        EXPECT_EQ(Mode(victim) & 07777, 04777u);
    }
    std::string Victim() {
        const std::string victim = In("victim");
        std::ofstream(victim) << "victim";
        ::chmod(victim.c_str(), 04777);
        return victim;
    }
};

TEST_P(ReplacedFile, StillTakesNoLinkAndNoSetIdBits) {
    const std::string victim = Victim();
    const std::string still = In("MOTION[12-00-00].bmp");
    GetParam().plant(still, victim);
    const std::vector<std::uint8_t> frame(8 * 2 * 3, 0x55);
    ASSERT_TRUE(WriteBmp(frame.data(), still, 8, 2));
    Check(still, victim);
    EXPECT_EQ(Content(still).size(), 54u + frame.size());
}

TEST_P(ReplacedFile, CounterTakesNoLinkAndNoSetIdBits) {
    const std::string victim = Victim();
    const std::string counter = In("Pellor.inf");
    GetParam().plant(counter, victim);
    ASSERT_TRUE(WriteFileCounter(42, counter));
    Check(counter, victim);
    EXPECT_EQ(Content(counter), "42");
}

INSTANTIATE_TEST_SUITE_P(Planted, ReplacedFile, ::testing::ValuesIn(kPlanted),
                         [](const auto& info) { return info.param.what; });

// Anything but a regular file under the counter's name reads as unreadable: the value
// in memory stays and start-up does not hang on a FIFO.
TEST_F(FileSafetyTest, CounterThatIsNoFileKeepsTheValue) {
    const std::string fifo = In("fifo.inf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = In("folder.inf");
    fs::create_directory(folder);
    for (const std::string& path : {fifo, folder, std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        std::int32_t value = 77;
        ReadFileCounter(value, path);
        EXPECT_EQ(value, 77);
    }
    EXPECT_TRUE(S_ISFIFO(Mode(fifo))) << "reading leaves it alone";
    EXPECT_FALSE(WriteFileCounter(3, folder));
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(FileSafetyTest, CounterIsReadThroughALinkButWrittenAsItsOwnFile) {
    const std::string target = In("elsewhere.inf");
    std::ofstream(target) << "19";
    const std::string counter = In("Pellor.inf");
    fs::create_symlink(target, counter);
    std::int32_t value = 0;
    ReadFileCounter(value, counter);
    EXPECT_EQ(value, 19);
    ASSERT_TRUE(WriteFileCounter(20, counter));
    EXPECT_EQ(Content(target), "19");
    EXPECT_EQ(Content(counter), "20");
    EXPECT_FALSE(fs::is_symlink(counter));
}

TEST_F(FileSafetyTest, FailedWritesKeepTheOldContentAndLeaveNoTemporary) {
    const std::string counter = In("Pellor.inf");
    const std::string still = In("TimerCap.bmp");
    std::ofstream(counter) << "12";
    std::ofstream(still) << "old picture";
    const std::vector<std::uint8_t> frame(8 * 2 * 3, 0x55);
    {
        RefusingDisk full;
        EXPECT_FALSE(WriteFileCounter(13, counter));
        EXPECT_FALSE(WriteBmp(frame.data(), still, 8, 2));
    }
    EXPECT_EQ(Content(counter), "12");
    EXPECT_EQ(Content(still), "old picture");
    EXPECT_EQ(Listing(), (std::vector<std::string>{"Pellor.inf", "TimerCap.bmp"}));
    std::int32_t value = 0;
    ReadFileCounter(value, counter);
    EXPECT_EQ(value, 12) << "the numbering goes on from the old value";
}

// A picture large enough that its JPEG is written in pieces while it is compressed, on a
// disk that runs full partway: the writer says why, and the old picture stays.
TEST_F(FileSafetyTest, DiskFullPartwayThroughALargeJpegKeepsTheOldPicture) {
    const std::string still = In("Snap0001.jpg");
    std::ofstream(still) << "old picture";
    const int w = 1600, h = 1200;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(w) * h * 3);
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 9));  // compresses to megabytes
    for (const rlim_t limit : {rlim_t{0}, rlim_t{300'000}, rlim_t{1'000'000}}) {
        std::string error;
        {
            RefusingDisk full(limit);
            EXPECT_FALSE(WriteJpegFromFrame(frame.data(), frame.size(), w, h, 100, still, &error));
        }
        EXPECT_NE(error.find("write error"), std::string::npos) << error;
        EXPECT_EQ(Content(still), "old picture");
        EXPECT_EQ(Listing(), std::vector<std::string>{"Snap0001.jpg"});
    }
}

}  // namespace
}  // namespace tavelin
