#include "core/Snapshot.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/BmpFile.h"
#include "core/FrameFormat.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SnapshotFormatTest, OnlyABmpExtensionMakesABmp) {
    struct Case {
        const char* path;
        SnapshotFormat format;
    };
    for (const Case& c :
         {Case{"/p/SnapCap.bmp", SnapshotFormat::Bmp}, Case{"/p/SnapCap.Bmp", SnapshotFormat::Bmp},
          Case{"SnapCap.BMP", SnapshotFormat::Bmp}, Case{"/p/SnapCap.jpg", SnapshotFormat::Jpeg},
          Case{"/p/SnapCap.JPG", SnapshotFormat::Jpeg},
          Case{"/p/SnapCap.jpeg", SnapshotFormat::Jpeg}, Case{"/p/SnapCap", SnapshotFormat::Jpeg},
          Case{"/p.bmp/SnapCap", SnapshotFormat::Jpeg}, Case{"/p/x.bmp.jpg", SnapshotFormat::Jpeg},
          Case{"/p/x.jpg.bmp", SnapshotFormat::Bmp}}) {
        EXPECT_EQ(SnapshotFormatFor(c.path), c.format) << c.path;
    }
}

class SaveSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) / ("snapshot_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        std::vector<std::uint8_t> frame(FrameBytes(64, 48));
        for (std::size_t i = 0; i < frame.size(); ++i)
            frame[i] = static_cast<std::uint8_t>(i * 7);
        temp_ = (dir_ / "bmp.bmp").string();
        ASSERT_TRUE(WriteBmp(frame.data(), temp_, 64, 48));
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    std::string temp_;
};

TEST_F(SaveSnapshotTest, BmpIsAByteExactCopyAndJpegIsAJpeg) {
    const fs::path bmp = dir_ / "shot.Bmp";
    ASSERT_TRUE(SaveSnapshot(temp_, bmp.string()));
    EXPECT_EQ(Read(bmp), Read(temp_));

    const fs::path jpeg = dir_ / "shot";
    ASSERT_TRUE(SaveSnapshot(temp_, jpeg.string()));
    const std::string bytes = Read(jpeg);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xD8);
    EXPECT_TRUE(fs::exists(temp_)) << "the caller removes the temporary file";
}

TEST_F(SaveSnapshotTest, FailureKeepsTheUsersOldPicture) {
    for (const char* name : {"old.bmp", "old.jpg"}) {
        const fs::path target = dir_ / name;
        std::ofstream(target) << "the user's old picture";
        EXPECT_FALSE(SaveSnapshot((dir_ / "missing.bmp").string(), target.string())) << name;
        EXPECT_EQ(Read(target), "the user's old picture") << name;
    }
    EXPECT_FALSE(SaveSnapshot(temp_, (dir_ / "no-such-folder" / "x.bmp").string()));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_))
        ++files;
    EXPECT_EQ(files, 3u) << "no temporary file is left behind";
}

}  // namespace
}  // namespace tavelin
