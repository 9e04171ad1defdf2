#pragma once
// What the main-window tests share: a private data folder per test for the files the
// program writes, the synthetic camera, and small waiting and reading helpers.

#include <gtest/gtest.h>
#include <unistd.h>
#include <QTest>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "app/AppPaths.h"
#include "tests/support/QtApp.h"

namespace tavelin::testing {

inline std::string ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the event loop until `condition` holds or the time is up; the last answer.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (condition())
            return true;
        QTest::qWait(20);
    }
    return condition();
}

// Runs the event loop until the frame step has shown `frames` more frames: the measure
// of "a while" for a recording or a countdown, whatever the machine's speed.
template <class Tick>
bool WaitForFrames(const Tick& tick, std::uint64_t frames, int timeoutMs = 20000) {
    const std::uint64_t until = tick.framesShown() + frames;
    return WaitFor([&] { return tick.framesShown() >= until; }, timeoutMs);
}

class DataFolderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QtApp(); }
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::path(::testing::TempDir()) /
               (std::string(test->test_suite_name()) + "_" + test->name() + "_" +
                std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        CAppPaths::SetDataDirectoryForTests(dir_.string());
        ::setenv("TAVELIN_TEST_SOURCES", "1", 1);
    }
    void TearDown() override {
        CAppPaths::SetDataDirectoryForTests({});
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path dir_;
};

}  // namespace tavelin::testing
