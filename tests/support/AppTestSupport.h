#pragma once
// What the main-window tests share: a private data folder per test for the files the
// program writes, the synthetic camera, and small waiting and reading helpers.

#include <gtest/gtest.h>
#include <unistd.h>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "AppPaths.h"
#include "QtApp.h"

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
