// The recordings the web page lists and serves, over a real folder full of look-alikes: only
// the program's numbered regular files, with their lengths from the AVI headers, and no
// name a request can carry opens anything else.

#include "core/RecordingCatalog.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "core/ByteOrder.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Append(Bytes& out, const char* id) {
    out.insert(out.end(), id, id + 4);
}
void Append32(Bytes& out, std::uint32_t v) {
    out.resize(out.size() + 4);
    WriteLe32(out.data() + out.size() - 4, v);
}
Bytes Chunk(const char* id, const Bytes& data) {
    Bytes out;
    Append(out, id);
    Append32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2 != 0)
        out.push_back(0);
    return out;
}
Bytes List(const char* type, const std::vector<Bytes>& chunks) {
    Bytes data;
    Append(data, type);
    for (const Bytes& c : chunks)
        data.insert(data.end(), c.begin(), c.end());
    return Chunk("LIST", data);
}

// A small AVI as a muxer starts one: the main header, one stream list, optionally the
// OpenDML header with the frames of the whole file, then an empty movie list.
Bytes Avi(std::uint32_t microsPerFrame, std::uint32_t frames, std::uint32_t allFrames = 0,
          bool junkFirst = false) {
    Bytes avih;
    for (std::uint32_t v :
         {microsPerFrame, 0u, 0u, 0x10u, frames, 0u, 1u, 0u, 640u, 480u, 0u, 0u, 0u, 0u})
        Append32(avih, v);
    Bytes strh(56, 0);
    std::copy_n("vidsMJPG", 8, strh.begin());
    std::vector<Bytes> header{Chunk("avih", avih), List("strl", {Chunk("strh", strh)})};
    if (allFrames != 0) {
        Bytes dmlh;
        Append32(dmlh, allFrames);
        dmlh.resize(248, 0);
        header.push_back(List("odml", {Chunk("dmlh", dmlh)}));
    }
    Bytes riffData;
    Append(riffData, "AVI ");
    const auto add = [&riffData](const Bytes& c) {
        riffData.insert(riffData.end(), c.begin(), c.end());
    };
    if (junkFirst)
        add(Chunk("JUNK", Bytes(13, 0)));
    add(List("hdrl", header));
    add(List("movi", {}));
    return Chunk("RIFF", riffData);
}

double Seconds(const Bytes& file) {
    // A copy of exactly the given size, so that the sanitizer sees any read past it.
    const auto copy = std::make_unique<std::uint8_t[]>(file.size());
    std::copy(file.begin(), file.end(), copy.get());
    return AviSeconds(copy.get(), file.size());
}

struct AviCase {
    const char* what;
    Bytes file;
    double seconds;
};

void PrintTo(const AviCase& c, std::ostream* os) {
    *os << c.what;
}

class AviSecondsTest : public ::testing::TestWithParam<AviCase> {};

TEST_P(AviSecondsTest, ReadsTheLengthOrNothing) {
    const AviCase& c = GetParam();
    EXPECT_DOUBLE_EQ(Seconds(c.file), c.seconds);
    // Cut anywhere, the headers never give more, and nothing is read past the cut.
    for (std::size_t size = 0; size < c.file.size(); ++size) {
        const double cut = Seconds(Bytes(c.file.begin(), c.file.begin() + size));
        EXPECT_TRUE(cut >= 0 && cut <= c.seconds) << "cut at " << size << ": " << cut;
    }
}

Bytes WithByte(Bytes file, std::size_t at, std::uint8_t value) {
    file.at(at) = value;
    return file;
}
Bytes With32(Bytes file, std::size_t at, std::uint32_t value) {
    WriteLe32(file.data() + at, value);
    return file;
}

// In Avi(): RIFF size at 4, hdrl's LIST size at 16, avih's size at 28.
INSTANTIATE_TEST_SUITE_P(
    Headers, AviSecondsTest,
    ::testing::Values(AviCase{"main header", Avi(40000, 100), 4.0},
                      AviCase{"main header, 29.97 per second", Avi(33367, 300), 10.0101},
                      AviCase{"beyond the first RIFF", Avi(40000, 10, 500), 20.0},
                      AviCase{"junk before the headers", Avi(40000, 25, 0, true), 1.0},
                      AviCase{"still being written", Avi(40000, 0), 0},
                      AviCase{"no frame time", Avi(0, 100), 0}, AviCase{"empty", {}, 0},
                      AviCase{"not RIFF", WithByte(Avi(40000, 100), 0, 'X'), 0},
                      AviCase{"RIFF but not AVI", WithByte(Avi(40000, 100), 8, 'W'), 0},
                      AviCase{"text", Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'A', 'V', 'I'}, 0},
                      AviCase{"sizes at their largest",
                              With32(With32(Avi(40000, 100), 16, 0xffffffff), 28, 0xffffffff), 4.0},
                      AviCase{"main header too short", With32(Avi(40000, 100), 28, 8), 0},
                      AviCase{"file size far too large", With32(Avi(40000, 100), 4, 0xffffffff),
                              4.0}));

constexpr std::int64_t kModified = 1'800'000'000;

class RecordingCatalogTest : public testing::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        Write("Tavelin-00001.avi", Avi(40000, 100));                      // 4 s
        Write("Tavelin-00012.avi", Avi(40000, 10, 500));                  // 20 s
        Write("Tavelin-00010.avi", Bytes{'b', 'e', 'i', 'n', 'g', ' '});  // no header yet
        ASSERT_EQ(::symlink(In("Tavelin-00001.avi").c_str(), In("Tavelin-00002.avi").c_str()), 0);
        ASSERT_EQ(::mkdir(In("Tavelin-00003.avi").c_str(), 0700), 0);
        ASSERT_EQ(::mkfifo(In("Tavelin-00008.avi").c_str(), 0600), 0);
        ASSERT_EQ(::symlink("/etc/passwd", In("Tavelin-00009.avi").c_str()), 0);
        for (const char* other : {"tavelin-00004.avi", "Tavelin-00005.avi.part", ".hidden",
                                  "Pellor.inf", "Tavelin-6.avi", "Tavelin-000007.avi", "x.avi"})
            Write(other, Avi(40000, 100));
    }

    void Write(const std::string& name, const Bytes& bytes) {
        std::ofstream(In(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        // Half a second past a whole one: the start rounds down.
        const timespec times[2] = {{kModified, 500'000'000}, {kModified, 500'000'000}};
        ASSERT_EQ(::utimensat(AT_FDCWD, In(name).c_str(), times, 0), 0);
    }
};

TEST_F(RecordingCatalogTest, ListsOnlyTheNumberedRegularFilesByNumber) {
    const std::vector<RecordingEntry> entries = ListRecordings(dir_);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "Tavelin-00001.avi");
    EXPECT_EQ(entries[1].name, "Tavelin-00010.avi");
    EXPECT_EQ(entries[2].name, "Tavelin-00012.avi");
    EXPECT_EQ(entries[0].size, Avi(40000, 100).size());
    EXPECT_EQ(entries[1].size, 6u);
    EXPECT_DOUBLE_EQ(entries[0].seconds, 4.0);
    EXPECT_DOUBLE_EQ(entries[1].seconds, 0.0);
    EXPECT_DOUBLE_EQ(entries[2].seconds, 20.0);
    EXPECT_EQ(entries[0].startUnix, kModified - 4);
    EXPECT_EQ(entries[1].startUnix, kModified);
    EXPECT_EQ(entries[2].startUnix, kModified - 20);

    EXPECT_TRUE(ListRecordings(In("missing")).empty());
    EXPECT_TRUE(ListRecordings("").empty());
}

TEST_F(RecordingCatalogTest, OpensTheRealOneReadOnly) {
    std::uint64_t size = 0;
    const UniqueFd fd = OpenRecording(dir_, "Tavelin-00012.avi", size);
    ASSERT_TRUE(fd);
    const Bytes expected = Avi(40000, 10, 500);
    EXPECT_EQ(size, expected.size());
    Bytes read(expected.size() + 1);
    EXPECT_EQ(::read(fd.get(), read.data(), read.size()), static_cast<ssize_t>(expected.size()));
    read.resize(expected.size());
    EXPECT_EQ(read, expected);
    EXPECT_LT(::write(fd.get(), "x", 1), 0);
    EXPECT_EQ(::fcntl(fd.get(), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
}

class OpenRefusedTest : public RecordingCatalogTest,
                        public ::testing::WithParamInterface<std::string> {};

TEST_P(OpenRefusedTest, GivesNothing) {
    std::uint64_t size = 77;
    EXPECT_FALSE(OpenRecording(dir_, GetParam(), size));
    EXPECT_EQ(size, 77u);
}

INSTANTIATE_TEST_SUITE_P(
    Names, OpenRefusedTest,
    ::testing::Values("", ".", "..", "../x", "../Tavelin-00001.avi", "%2e%2e%2f",
                      "..%2fTavelin-00001.avi", "Tavelin-00001.avi/", "./Tavelin-00001.avi",
                      "/etc/passwd", "Tavelin-00001.avi\\", "\\Tavelin-00001.avi",
                      "Tavelin-00001.avi%00", std::string("Tavelin-00001.avi\0x", 19),
                      " Tavelin-00001.avi", "Tavelin-00002.avi", "Tavelin-00003.avi",
                      "Tavelin-00008.avi", "Tavelin-00009.avi", "Tavelin-00099.avi",
                      "tavelin-00004.avi", "Tavelin-00005.avi.part", ".hidden", "Pellor.inf",
                      "Tavelin-6.avi", "Tavelin-000007.avi"));

TEST_F(RecordingCatalogTest, RefusesAFolderPathAsAName) {
    std::uint64_t size = 0;
    EXPECT_FALSE(OpenRecording(dir_, In("Tavelin-00001.avi"), size));
    EXPECT_FALSE(OpenRecording(In("missing"), "Tavelin-00001.avi", size));
    EXPECT_TRUE(OpenRecording(dir_, "Tavelin-00001.avi", size));
}

TEST(RecordingsJsonTest, WritesTheListAsThePageReadsIt) {
    EXPECT_EQ(RecordingsJson({}), "[]");
    EXPECT_EQ(RecordingsJson({{"Tavelin-00001.avi", 123, 1796724672, 4.5},
                              {"Tavelin-00002.avi", 5'000'000'000, 0, 0}}),
              R"([{"name":"Tavelin-00001.avi","size":123,"start":"2026-12-08T10:11:12Z",)"
              R"("seconds":4.5},{"name":"Tavelin-00002.avi","size":5000000000,)"
              R"("start":"1970-01-01T00:00:00Z","seconds":0.0}])");
}

}  // namespace
}  // namespace tavelin
