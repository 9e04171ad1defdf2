// The frame hand-off without a pipeline: the copy rules and the request/wait protocol.

#include "capture/GrabberCallback.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace tavelin {
namespace {

using namespace std::chrono_literals;
using Result = CGrabberCallback::Result;

// A top-down picture whose bytes say which row and column they came from; the
// bytes between rowBytes and stride are padding.
std::vector<std::uint8_t> Picture(int rowBytes, int stride, int rows, int tag) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stride) * rows, 0xEE);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < rowBytes; ++c)
            bytes[r * stride + c] = std::uint8_t(tag + r * 16 + c);
    }
    return bytes;
}

// Requests a frame while a streaming thread delivers `deliver`, as the pipeline would.
template <class Deliver>
bool RequestWhile(CGrabberCallback& cb, Deliver deliver, std::chrono::milliseconds limit = 10s) {
    std::thread streaming([&] {
        while (!cb.frameRequested())
            std::this_thread::yield();
        deliver();
    });
    const bool gaveUp = cb.WaitForFrame(limit);
    streaming.join();
    return gaveUp;
}

Result Give(CGrabberCallback& cb, const std::vector<std::uint8_t>& p, int rowBytes, int stride,
            int rows) {
    Result result{};
    EXPECT_FALSE(RequestWhile(cb, [&] { result = cb.BufferCB(p.data(), rowBytes, stride, rows); }));
    return result;
}

int failingAllocations = 0;
std::unique_ptr<std::uint8_t[]> FailSometimes(std::size_t bytes) {
    if (failingAllocations > 0) {
        --failingAllocations;
        return nullptr;
    }
    return CGrabberCallback::DefaultAllocate(bytes);
}

TEST(GrabberCallback, StoresRowsBottomUpAndDropsStridePadding) {
    CGrabberCallback cb;
    const auto picture = Picture(6, 8, 3, 0);
    ASSERT_EQ(Give(cb, picture, 6, 8, 3), Result::Copied);
    ASSERT_EQ(cb.sampleBytes(), 18);
    ASSERT_EQ(cb.frameCapacity(), 18);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(0, std::memcmp(cb.frame() + row * 6, picture.data() + (2 - row) * 8, 6)) << row;
    }
}

TEST(GrabberCallback, BufferOnlyGrowsAndAShorterSampleKeepsTheTail) {
    CGrabberCallback cb;
    ASSERT_EQ(Give(cb, Picture(4, 4, 4, 0), 4, 4, 4), Result::Copied);
    const std::uint8_t* firstBuffer = cb.frame();
    const std::vector<std::uint8_t> before(cb.frame(), cb.frame() + 16);

    const auto small = Picture(4, 4, 2, 100);
    ASSERT_EQ(Give(cb, small, 4, 4, 2), Result::Copied);
    EXPECT_EQ(cb.frame(), firstBuffer);
    EXPECT_EQ(cb.frameCapacity(), 16);
    EXPECT_EQ(cb.sampleBytes(), 8);
    EXPECT_EQ(0, std::memcmp(cb.frame(), small.data() + 4, 4));       // bottom row first
    EXPECT_EQ(0, std::memcmp(cb.frame() + 8, before.data() + 8, 8));  // older bytes stay

    const auto bigger = Picture(4, 4, 6, 50);
    ASSERT_EQ(Give(cb, bigger, 4, 4, 6), Result::Copied);
    EXPECT_EQ(cb.frameCapacity(), 24);
    EXPECT_EQ(0, std::memcmp(cb.frame(), bigger.data() + 20, 4));
}

TEST(GrabberCallback, OutOfMemoryKeepsTheRequestPendingAndTheOldFrame) {
    CGrabberCallback cb(&FailSometimes);
    ASSERT_EQ(Give(cb, Picture(3, 3, 2, 0), 3, 3, 2), Result::Copied);
    const std::vector<std::uint8_t> kept(cb.frame(), cb.frame() + 6);
    const auto larger = Picture(3, 3, 5, 7);

    // One failure, then the next sample finds memory and satisfies the same request.
    std::vector<Result> results;
    EXPECT_FALSE(RequestWhile(cb, [&] {
        failingAllocations = 1;
        results.push_back(cb.BufferCB(larger.data(), 3, 3, 5));
        results.push_back(cb.BufferCB(larger.data(), 3, 3, 5));
    }));
    EXPECT_EQ(results, (std::vector<Result>{Result::OutOfMemory, Result::Copied}));
    EXPECT_EQ(cb.sampleBytes(), 15);

    // Never any memory: the wait gives up and the last good frame is still there.
    CGrabberCallback starved(&FailSometimes);
    ASSERT_EQ(Give(starved, Picture(3, 3, 2, 0), 3, 3, 2), Result::Copied);
    failingAllocations = 1000;
    EXPECT_TRUE(RequestWhile(
        starved, [&] { EXPECT_EQ(starved.BufferCB(larger.data(), 3, 3, 5), Result::OutOfMemory); },
        50ms));
    failingAllocations = 0;
    EXPECT_TRUE(starved.timedOut());
    EXPECT_FALSE(starved.frameRequested());
    EXPECT_EQ(starved.sampleBytes(), 6);
    EXPECT_EQ(std::vector<std::uint8_t>(starved.frame(), starved.frame() + 6), kept);
}

TEST(GrabberCallback, RejectsNullAndImpossibleSamplesWithoutTouchingTheRequest) {
    CGrabberCallback cb;
    const auto p = Picture(4, 4, 2, 0);
    EXPECT_FALSE(RequestWhile(cb, [&] {
        EXPECT_EQ(cb.BufferCB(nullptr, 4, 4, 2), Result::NullBuffer);
        EXPECT_EQ(cb.BufferCB(p.data(), 4, 3, 2), Result::BadSample);  // stride < row
        EXPECT_EQ(cb.BufferCB(p.data(), 0, 4, 2), Result::BadSample);
        EXPECT_EQ(cb.BufferCB(p.data(), 4, 4, -1), Result::BadSample);
        EXPECT_EQ(cb.BufferCB(p.data(), 1 << 16, 1 << 16, 1 << 16), Result::BadSample);  // > 2 GB
        EXPECT_TRUE(cb.frameRequested());
        EXPECT_EQ(cb.BufferCB(p.data(), 4, 4, 2), Result::Copied);
    }));
    EXPECT_EQ(cb.sampleBytes(), 8);
}

// A YUY2 sample is stored as BGR, 3 bytes a pixel, bottom row first; its rows may be
// padded and an odd width still ends on a whole pair.
TEST(GrabberCallback, Yuy2SamplesAreStoredAsBottomUpBgr) {
    CGrabberCallback cb;
    constexpr int kWidth = 5;  // three pairs a row
    constexpr int kStride = 16;
    const auto p = Picture(12, kStride, 3, 40);
    Result result{};
    ASSERT_FALSE(RequestWhile(
        cb, [&] { result = cb.BufferYuy2CB(p.data(), kWidth, kStride, 3, YuvFormat{}); }));
    ASSERT_EQ(result, Result::Copied);
    EXPECT_EQ(cb.sampleBytes(), kWidth * 3 * 3);
    for (int row = 0; row < 3; ++row) {
        std::vector<std::uint8_t> expected(kWidth * 3);
        reference::Yuy2RowToBgr(p.data() + (2 - row) * kStride, kWidth, 0, kWidth, expected.data(),
                                YuvFormat{});
        EXPECT_EQ(std::vector<std::uint8_t>(cb.frame() + row * kWidth * 3,
                                            cb.frame() + (row + 1) * kWidth * 3),
                  expected)
            << row;
    }

    // Rows shorter than their pairs, or no pixels, are refused and the request stays.
    EXPECT_FALSE(RequestWhile(cb, [&] {
        EXPECT_EQ(cb.BufferYuy2CB(p.data(), kWidth, 11, 3, YuvFormat{}), Result::BadSample);
        EXPECT_EQ(cb.BufferYuy2CB(p.data(), 0, kStride, 3, YuvFormat{}), Result::BadSample);
        EXPECT_EQ(cb.BufferYuy2CB(nullptr, kWidth, kStride, 3, YuvFormat{}), Result::NullBuffer);
        EXPECT_TRUE(cb.frameRequested());
        EXPECT_EQ(cb.BufferYuy2CB(p.data(), 4, 8, 1, YuvFormat{}), Result::Copied);
    }));
    EXPECT_EQ(cb.sampleBytes(), 12);
}

TEST(GrabberCallback, OnlyRequestedSamplesAreCopied) {
    CGrabberCallback cb;
    const auto p = Picture(4, 4, 2, 0);
    EXPECT_EQ(cb.BufferCB(p.data(), 4, 4, 2), Result::NotRequested);
    // Giving up withdraws the request, so a late sample is dropped too.
    EXPECT_TRUE(cb.WaitForFrame(20ms));
    EXPECT_TRUE(cb.timedOut());
    EXPECT_EQ(cb.BufferCB(p.data(), 4, 4, 2), Result::NotRequested);
    EXPECT_EQ(cb.frame(), nullptr);

    ASSERT_EQ(Give(cb, p, 4, 4, 2), Result::Copied);
    cb.Release();
    EXPECT_EQ(cb.frame(), nullptr);
    EXPECT_EQ(cb.frameCapacity(), 0);
    EXPECT_EQ(cb.sampleBytes(), 0);
    EXPECT_FALSE(cb.timedOut());
}

// A producer delivering frames as fast as it can while the consumer requests in a
// tight loop and checks each frame it is handed: no copy may overlap its reading.
TEST(GrabberCallback, HandOffUnderLoadNeverTearsAFrame) {
    constexpr int kRowBytes = 960;
    constexpr int kRows = 240;
    CGrabberCallback cb;
    std::atomic<bool> stop{false};
    std::thread producer([&] {
        std::vector<std::uint8_t> frame(kRowBytes * kRows);
        std::uint8_t value = 0;
        while (!stop) {
            std::memset(frame.data(), ++value, frame.size());
            cb.BufferCB(frame.data(), kRowBytes, kRowBytes, kRows);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        ASSERT_FALSE(cb.WaitForFrame(10s));
        const std::uint8_t* f = cb.frame();
        for (int b = 1; b < kRowBytes * kRows; ++b)
            ASSERT_EQ(f[b], f[0]) << "frame " << i;
    }
    stop = true;
    producer.join();
}

}  // namespace
}  // namespace tavelin
