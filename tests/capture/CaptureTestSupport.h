#pragma once
// Shared by the capture tests: the synthetic sources switched on, their settings
// reset, a way to change one for the length of a test, and the recorder's numbering
// stood in for.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/RecordingNames.h"

namespace tavelin::test {

inline constexpr const char* kCameraVariables[] = {
    "TAVELIN_TEST_CAMERA_PATTERN",     "TAVELIN_TEST_CAMERA_COLOR",
    "TAVELIN_TEST_CAMERA_BACKGROUND",  "TAVELIN_TEST_CAMERA_SIZE",
    "TAVELIN_TEST_CAMERA_FPS",         "TAVELIN_TEST_CAMERA_FORMAT",
    "TAVELIN_TEST_CAMERA_STOP_AFTER",  "TAVELIN_TEST_CAMERA_STILL_FOR",
    "TAVELIN_TEST_CAMERA_STILL_AFTER",
};

// Sets an environment variable and puts the old value back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Where a recording whose name was taken goes, as the recorder would say: the names
// listed, one after another, then none. Notes every name it was asked about.
class ListedNames : public IRecordingNames {
public:
    explicit ListedNames(std::vector<std::string> next) : next_(std::move(next)) {}
    std::string NextFreeName(const std::string& taken) override {
        asked.push_back(taken);
        return given_ < next_.size() ? next_[given_++] : std::string();
    }
    std::vector<std::string> asked;

private:
    std::vector<std::string> next_;
    std::size_t given_ = 0;
};

// Every test starts with the synthetic sources on and the camera at its defaults.
class SyntheticSources : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TAVELIN_TEST_SOURCES", "1", 1);
        for (const char* v : kCameraVariables)
            unsetenv(v);
    }
};

}  // namespace tavelin::test
