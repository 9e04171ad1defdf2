// What goes to keep a recording folder within its limits, and what never does: the
// choice as a table, then the same rules over a real folder full of look-alikes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/FileNames.h"
#include "core/NoticeSink.h"
#include "core/SessionEvents.h"
#include "core/StorageGuard.h"
#include "core/StorageKeeper.h"
#include "core/StoragePlan.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

constexpr std::uint64_t MB = kBytesPerMB;
constexpr std::int64_t kNow = 1'000'000'000;
constexpr std::int64_t kDay = 86400;

StoredFile Rec(std::int32_t number, std::int64_t modified, std::uint64_t mb) {
    StoredFile f;
    f.kind = StoredFile::Kind::Recording;
    f.number = number;
    f.name = NumberedAviName(number).substr(1);
    f.modified = modified;
    f.bytes = mb * MB;
    return f;
}

StoredFile Still(const char* name, std::int64_t modified, std::uint64_t mb) {
    StoredFile f;
    f.kind = StoredFile::Kind::Still;
    f.name = name;
    f.modified = modified;
    f.bytes = mb * MB;
    return f;
}

struct PlanCase {
    const char* what;
    StorageLimits limits;
    std::vector<StoredFile> recordings;
    std::vector<StoredFile> stills;
    std::uint64_t freeMB;
    StorageNeeds needs;
    std::vector<std::string> removed;  // in order
    StorageVerdict verdict;
    bool stillsFreeSpace = true;
};

void PrintTo(const PlanCase& c, std::ostream* os) {
    *os << c.what;
}

const std::int64_t kOld = kNow - 1000;
StorageNeeds Idle() {
    StorageNeeds n;
    n.now = kNow;
    n.startBytes = MB;
    n.finishBytes = 4 * MB;
    return n;
}
StorageNeeds Writing(const char* name, std::uint64_t aheadMB = 0) {
    StorageNeeds n = Idle();
    n.writing = name;
    n.recording = true;
    n.aheadBytes = aheadMB * MB;
    return n;
}

const PlanCase kPlanCases[] = {
    {"within every limit nothing goes",
     {100, 500, 30},
     {Rec(1, kOld, 50)},
     {},
     200,
     Idle(),
     {},
     StorageVerdict::Ok},
    {"keep free: the lowest numbers go, until there is enough",
     {199, 0, 0},
     {Rec(3, kOld, 50), Rec(1, kOld, 60), Rec(2, kOld, 40), Rec(10, kOld, 90)},
     {},
     100,
     Idle(),
     {"Tavelin-00001.avi", "Tavelin-00002.avi"},
     StorageVerdict::Ok},
    {"keep free: numbers beyond five digits sort as numbers",
     {150, 0, 0},
     {Rec(100000, kOld, 60), Rec(99999, kOld, 60)},
     {},
     100,
     Idle(),
     {"Tavelin-99999.avi"},
     StorageVerdict::Ok},
    {"keep free: an older still goes before a newer recording",
     {150, 0, 0},
     {Rec(1, kOld, 40)},
     {Still("MOTION[10-00-00].bmp", kOld - 5, 1), Still("MOTION[09-00-00].bmp", kOld + 5, 1)},
     100,
     Idle(),
     {"MOTION[10-00-00].bmp", "Tavelin-00001.avi", "MOTION[09-00-00].bmp"},
     StorageVerdict::Full},
    {"stills of the same time go by name",
     {101, 0, 0},
     {},
     {Still("MOTION[10-00-01].bmp", kOld, 1), Still("MOTION[10-00-00].bmp", kOld, 1)},
     100,
     Idle(),
     {"MOTION[10-00-00].bmp", "MOTION[10-00-01].bmp"},
     StorageVerdict::Ok},
    {"stills on another disk free nothing there and stay",
     {150, 0, 0},
     {Rec(1, kOld, 10)},
     {Still("MOTION[10-00-00].bmp", kOld - 5, 100)},
     100,
     Idle(),
     {"Tavelin-00001.avi"},
     StorageVerdict::Full,
     false},
    {"the minute ahead of a recording is kept free as well",
     {100, 0, 0},
     {Rec(1, kOld, 30), Rec(2, kOld, 30), Rec(3, kNow, 1)},
     {},
     120,
     Writing("Tavelin-00003.avi", 30),
     {"Tavelin-00001.avi"},
     StorageVerdict::Ok},
    {"total: the lowest numbers go until the rest fit",
     {0, 101, 0},
     {Rec(1, kOld, 50), Rec(2, kOld, 50), Rec(3, kOld, 50)},
     {},
     10'000,
     Idle(),
     {"Tavelin-00001.avi"},
     StorageVerdict::Ok},
    {"age: every recording older goes, whatever its number; stills stay",
     {0, 0, 2},
     {Rec(7, kNow - 3 * kDay, 1), Rec(2, kNow - kDay, 1), Rec(9, kNow - 5 * kDay, 1)},
     {Still("MOTION[10-00-00].bmp", kNow - 9 * kDay, 1)},
     10'000,
     Idle(),
     {"Tavelin-00007.avi", "Tavelin-00009.avi"},
     StorageVerdict::Ok},
    {"never the file being written, never one written in the last seconds",
     {1000, 0, 0},
     {Rec(1, kOld, 50), Rec(2, kNow - 2, 50), Rec(3, kOld, 50)},
     {},
     100,
     Writing("Tavelin-00001.avi"),
     {"Tavelin-00003.avi"},
     StorageVerdict::Full},
    {"below the floor with nothing left, a recording must end",
     {100, 0, 0},
     {Rec(1, kNow, 50)},
     {},
     99,
     Writing("Tavelin-00001.avi"),
     {},
     StorageVerdict::Full},
    {"above the floor but short of the minute ahead, it goes on",
     {100, 0, 0},
     {Rec(1, kNow, 50)},
     {},
     110,
     Writing("Tavelin-00001.avi", 30),
     {},
     StorageVerdict::Short},
    {"a new recording needs its start room above the floor",
     {100, 0, 0},
     {},
     {},
     100,
     Idle(),
     {},
     StorageVerdict::Full},
    {"with keep free off, only a disk about to fill ends a recording",
     {0, 0, 0},
     {Rec(1, kOld, 500)},
     {},
     3,
     Writing("Tavelin-00002.avi"),
     {},
     StorageVerdict::Full},
    {"a recording alone over the total ends; the older ones went first",
     {0, 100, 0},
     {Rec(1, kOld, 50), Rec(2, kNow, 120)},
     {},
     10'000,
     Writing("Tavelin-00002.avi"),
     {"Tavelin-00001.avi"},
     StorageVerdict::Full},
};

class PlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(PlanTest, RemovesOldestFirstAndJudgesWhatIsLeft) {
    const PlanCase& c = GetParam();
    StorageFacts facts;
    facts.recordings = c.recordings;
    facts.stills = c.stills;
    facts.freeBytes = c.freeMB * MB;
    facts.stillsFreeSpace = c.stillsFreeSpace;
    const StoragePlan plan = PlanStorage(c.limits, facts, c.needs);
    std::vector<std::string> removed;
    std::uint64_t freed = 0;
    for (const Removal& r : plan.remove) {
        removed.push_back(r.file.name);
        if (r.file.kind == StoredFile::Kind::Recording || c.stillsFreeSpace)
            freed += r.file.bytes;
    }
    EXPECT_EQ(removed, c.removed);
    EXPECT_EQ(plan.verdict, c.verdict) << StorageVerdictName(plan.verdict);
    EXPECT_EQ(plan.after.freeBytes, facts.freeBytes + freed);
    EXPECT_EQ(plan.totalReached, std::string(c.what).starts_with("a recording alone"));
}

INSTANTIATE_TEST_SUITE_P(Storage, PlanTest, ::testing::ValuesIn(kPlanCases));

// A real folder: only the program's own regular files go, never a link, its target,
// a folder, a hidden part file, a name the user typed or one merely like the program's.
class KeeperFolderTest : public testing::TempFolderTest {
protected:
    void Make(const std::string& path, std::int64_t modified, std::size_t bytes = 4096) {
        std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
        const timespec times[2] = {{modified, 0}, {modified, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
    }
};

TEST_F(KeeperFolderTest, RemovesOnlyTheProgramsOwnFilesOldestFirst) {
    namespace fs = std::filesystem;
    const std::string recordings = In("rec");
    const std::string stills = In("stills");
    const std::string outside = In("outside");
    for (const std::string& d : {recordings, stills, outside})
        fs::create_directory(d);
    const std::int64_t old = ::time(nullptr) - 30 * kDay;
    const std::vector<std::string> theirs = {"Tavelin-00002.avi", "Tavelin-00010.avi",
                                             "Tavelin-123456.avi"};
    const std::vector<std::string> notTheirs = {"Tavelin-2.avi",
                                                "Tavelin-000002.avi",
                                                "tavelin-00003.avi",
                                                "Tavelin-00003.AVI",
                                                "Tavelin-00003.avi~",
                                                "holiday.avi",
                                                ".Tavelin-00004.avi.part-1-1",
                                                "Pellor.inf",
                                                "MOTION[10-00-00].bmp",
                                                "Tavelin--0001.avi",
                                                "Tavelin-+0001.avi"};
    for (const std::string& name : theirs)
        Make(recordings + "/" + name, old);
    for (const std::string& name : notTheirs)
        Make(recordings + "/" + name, old);
    // A link named like a recording, to a file named like one too, and a folder so named.
    Make(outside + "/Tavelin-00001.avi", old);
    fs::create_symlink(outside + "/Tavelin-00001.avi", recordings + "/Tavelin-00001.avi");
    fs::create_symlink(outside, recordings + "/Tavelin-00005.avi");
    fs::create_directory(recordings + "/Tavelin-00006.avi");
    // The file being written, and one another program may be writing.
    Make(recordings + "/Tavelin-00011.avi", old);
    Make(recordings + "/Tavelin-00012.avi", ::time(nullptr));
    Make(stills + "/MOTION[23-59-59].bmp", old + 1);
    Make(stills + "/MOTION[24-00-00].bmp", old);
    Make(stills + "/Tavelin-00007.avi", old);

    StorageWatch watch;
    watch.recordingFolder = recordings;
    watch.stillFolder = stills;
    watch.writingPath = recordings + "/Tavelin-00011.avi";
    watch.limits.keepFreeMB = StorageLimits::kMaxMB;  // never met: all that may go, goes
    StorageRate rate;
    const StorageReport report = CheckStorage(watch, rate, 0, ::time(nullptr));

    std::vector<std::string> removed;
    for (const RemovedFile& file : report.removed)
        removed.push_back(file.path);
    const std::vector<std::string> expected = {
        recordings + "/Tavelin-00002.avi", recordings + "/Tavelin-00010.avi",
        recordings + "/Tavelin-123456.avi", stills + "/MOTION[23-59-59].bmp"};
    EXPECT_EQ(removed, expected);
    EXPECT_EQ(report.verdict, StorageVerdict::Full);
    for (const std::string& name : notTheirs)
        EXPECT_TRUE(fs::exists(recordings + "/" + name)) << name;
    for (const char* name : {"Tavelin-00001.avi", "Tavelin-00005.avi", "Tavelin-00006.avi",
                             "Tavelin-00011.avi", "Tavelin-00012.avi"}) {
        EXPECT_TRUE(fs::exists(fs::symlink_status(recordings + "/" + name))) << name;
    }
    EXPECT_TRUE(fs::exists(outside + "/Tavelin-00001.avi"));
    EXPECT_TRUE(fs::exists(stills + "/MOTION[24-00-00].bmp"));
    EXPECT_TRUE(fs::exists(stills + "/Tavelin-00007.avi"));
    EXPECT_EQ(report.summary.recordings, 2u);  // the one being written and the recent one
}

// A file on motion gets the seconds before it at once, just after it is named; the rate
// it grows at, which sizes the minute kept free ahead, is what comes after.
TEST_F(KeeperFolderTest, TheSecondsBeforeAFileOnMotionAreNotItsRate) {
    namespace fs = std::filesystem;
    constexpr std::size_t kPerSecond = 400 * 1024;
    const std::string recordings = In("rec");
    fs::create_directory(recordings);
    StorageWatch watch;
    watch.recordingFolder = recordings;
    watch.writingPath = recordings + "/Tavelin-00001.avi";
    watch.limits.keepFreeMB = 0;
    const auto grow = [&watch](std::size_t bytes) {
        std::ofstream file(watch.writingPath, std::ios::binary | std::ios::app);
        file << std::string(bytes, 'x');
    };
    StorageRate rate;
    grow(64 * 1024);  // named with its first pictures
    CheckStorage(watch, rate, 0, ::time(nullptr));
    grow(7 * kPerSecond);  // six seconds before, and the first second
    StorageReport report = CheckStorage(watch, rate, 1000, ::time(nullptr));
    for (std::int64_t second = 2; second <= 4; ++second) {
        grow(kPerSecond);
        report = CheckStorage(watch, rate, second * 1000, ::time(nullptr));
    }
    EXPECT_NEAR(static_cast<double>(report.bytesPerSecond), kPerSecond, kPerSecond / 10.0);
}

class CountingKeeper : public IStorageKeeper {
public:
    void Watch(const StorageWatch&) override {}
    void CheckNow() override { ++checks; }
    bool TakeReport(StorageReport& report) override {
        if (!next)
            return false;
        report = std::move(*next);
        next.reset();
        return true;
    }
    int checks = 0;
    std::optional<StorageReport> next;
};

class CollectedNotices : public INoticeSink {
public:
    void ShowNotice(const std::string& text, NoticeStyle) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

// Motion asks to start on every frame while it lasts: once space has run out it asks
// the keeper for nothing (it looks every two seconds by itself) and tells once; a click
// asks for a look and says why each time.
TEST(StorageGuardTest, StartsRefusedOnMotionAskForNoChecksAndTellOnce) {
    CEventStream events;
    CollectedNotices notices;
    CountingKeeper keeper;
    CStorageGuard guard(events, notices);
    guard.SetKeeper(&keeper);
    StorageWatch watch;
    watch.recordingFolder = "/recordings";
    watch.armed = true;
    guard.Watch(watch);

    EXPECT_TRUE(guard.MayStart(false));
    EXPECT_EQ(keeper.checks, 1) << "a look before each recording";
    keeper.next = StorageReport{};
    keeper.next->verdict = StorageVerdict::Full;
    EXPECT_FALSE(guard.TakeReport(false));
    ASSERT_EQ(notices.shown.size(), 1u);

    for (int frame = 0; frame < 100; ++frame)
        EXPECT_FALSE(guard.MayStart(false));
    EXPECT_EQ(keeper.checks, 1);
    EXPECT_EQ(notices.shown.size(), 1u);

    EXPECT_FALSE(guard.MayStart(true));
    EXPECT_EQ(keeper.checks, 2);
    EXPECT_EQ(notices.shown.size(), 2u);

    keeper.next = StorageReport{};
    guard.TakeReport(false);
    EXPECT_TRUE(guard.MayStart(false));
    EXPECT_EQ(keeper.checks, 3);
}

}  // namespace
}  // namespace tavelin
