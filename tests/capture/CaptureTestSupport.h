#pragma once
// Shared by the capture tests: the synthetic sources switched on, their settings
// reset, and a way to change one for the length of a test.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

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
