// Programs sharing one counter, each a process of its own: the counter's lock keeps
// them from giving out a number twice, though every take replaces the counter file.

#include "core/RecordingNumbers.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

class RecordingNumbersTest : public testing::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        counter_ = In("Pellor.inf");
    }
    std::string Counter() const {
        std::ifstream in(counter_);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Runs `work` in a child process that writes what it finds into `out`; its pid.
    template <class Work>
    static pid_t Child(int out, Work work) {
        const pid_t pid = ::fork();
        if (pid == 0)
            ::_exit(work(out) ? 0 : 1);
        return pid;
    }
    static bool Send(int fd, std::int32_t value) {
        return ::write(fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
    }
    static bool Exited(pid_t pid) {
        int status = 0;
        return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    std::string counter_;
};

// Four programs taking numbers as fast as they can, none of whose files exist yet (a
// recording has its name only once data has reached it): every number once, none skipped.
TEST_F(RecordingNumbersTest, ProgramsTakingAtOnceNeverShareANumber) {
    constexpr int kPrograms = 4;
    constexpr int kTakes = 25;
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kPrograms; ++p) {
        children.push_back(Child(pipeFds[1], [&](int out) {
            std::int32_t counter = 0;
            for (int i = 0; i < kTakes; ++i) {
                const FreeNumber free = TakeRecordingNumber(counter_, dir_, kFromCounter, counter);
                if (!free.found || !Send(out, free.number))
                    return false;
            }
            return true;
        }));
    }
    ::close(pipeFds[1]);
    std::vector<std::int32_t> numbers;
    std::int32_t number = 0;
    while (::read(pipeFds[0], &number, sizeof number) == static_cast<ssize_t>(sizeof number))
        numbers.push_back(number);
    ::close(pipeFds[0]);
    for (const pid_t child : children)
        EXPECT_TRUE(Exited(child));

    std::sort(numbers.begin(), numbers.end());
    std::vector<std::int32_t> expected(kPrograms * kTakes);
    for (std::size_t i = 0; i < expected.size(); ++i)
        expected[i] = static_cast<std::int32_t>(i);
    EXPECT_EQ(numbers, expected);
    EXPECT_EQ(Counter(), std::to_string(kPrograms * kTakes));
}

}  // namespace
}  // namespace tavelin
