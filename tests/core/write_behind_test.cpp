// The write-behind file writer: whatever way the output is cut into pieces, the file holds
// every byte in order; a disk that fills up stops the producer instead of hanging it.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/Handle.h"
#include "core/WriteBehind.h"
#include "tests/support/RefusingDisk.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

constexpr std::size_t kPiece = 4096;

std::uint8_t PatternByte(std::size_t i) {
    return static_cast<std::uint8_t>((i * 131) ^ (i >> 12));
}

// Hands `total` pattern bytes to `writer` a full piece at a time, the rest to Finish, as
// the JPEG destination does. The result of the first call that failed, or of Finish.
bool Produce(CWriteBehind& writer, std::size_t total) {
    std::size_t at = 0;
    for (; total - at > kPiece; at += kPiece) {
        std::uint8_t* piece = writer.piece();
        for (std::size_t i = 0; i < kPiece; ++i)
            piece[i] = PatternByte(at + i);
        if (!writer.Hand(kPiece))
            return false;
    }
    std::uint8_t* piece = writer.piece();
    for (std::size_t i = at; i < total; ++i)
        piece[i - at] = PatternByte(i);
    return writer.Finish(total - at);
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class WriteBehindTest : public testing::TempFolderTest,
                        public ::testing::WithParamInterface<std::size_t> {};

// Sizes around the piece and the ring: nothing, one short piece (no thread), exactly one
// piece, one piece and a byte (the thread starts), the ring full, and many turns of it.
TEST_P(WriteBehindTest, FileHoldsEveryByteInOrder) {
    const std::size_t total = GetParam();
    const std::string path = In("out.bin");
    FilePtr file(std::fopen(path.c_str(), "wb"));
    ASSERT_TRUE(file);
    {
        CWriteBehind writer(::fileno(file.get()), kPiece);
        ASSERT_TRUE(Produce(writer, total));
    }
    ASSERT_EQ(std::fclose(file.release()), 0);
    const std::vector<std::uint8_t> got = ReadAll(path);
    ASSERT_EQ(got.size(), total);
    for (std::size_t i = 0; i < total; ++i)
        ASSERT_EQ(got[i], PatternByte(i)) << "at byte " << i;
}

constexpr std::size_t kPieces = CWriteBehind::kPieces;
INSTANTIATE_TEST_SUITE_P(Sizes, WriteBehindTest,
                         ::testing::Values(0, 1, kPiece - 1, kPiece, kPiece + 1, kPieces* kPiece,
                                           (kPieces + 1) * kPiece + 5, 40 * kPiece + 7));

// The disk fills up while pieces are queued and the producer may be waiting for a free one:
// it must learn of the failure, not wait for ever, and the file must not grow past the disk.
class WriteBehindFailureTest : public testing::TempFolderTest {};

TEST_F(WriteBehindFailureTest, DiskFullPartwayEndsTheProducer) {
    for (const std::size_t limit : {std::size_t{0}, kPiece / 2, 2 * kPiece + 100, 9 * kPiece}) {
        const std::string path = In("full.bin");
        FilePtr file(std::fopen(path.c_str(), "wb"));
        ASSERT_TRUE(file);
        {
            testing::RefusingDisk full(limit);
            CWriteBehind writer(::fileno(file.get()), kPiece);
            EXPECT_FALSE(Produce(writer, 30 * kPiece)) << "limit " << limit;
        }
        file.reset();
        EXPECT_LE(ReadAll(path).size(), limit);
    }
}

// A producer that gives up (the compressor failed) leaves with pieces still queued.
TEST_F(WriteBehindFailureTest, GivingUpWithPiecesQueuedEnds) {
    FilePtr file(std::fopen(In("dropped.bin").c_str(), "wb"));
    ASSERT_TRUE(file);
    for (int handed = 1; handed <= 2 * static_cast<int>(kPieces); ++handed) {
        CWriteBehind writer(::fileno(file.get()), kPiece);
        for (int i = 0; i < handed; ++i)
            ASSERT_TRUE(writer.Hand(kPiece));
    }
}

}  // namespace
}  // namespace tavelin
