// Programs sharing one counter, each a process of its own: the counter's lock keeps
// them from giving out a number twice, also while the counter file is replaced under
// the lock.

#include "core/RecordingNumbers.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/CounterLock.h"
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

// Whoever holds the counter keeps the others out until it is done, though the counter
// file is replaced (a new file) while held: the waiting program sees only the end result.
TEST_F(RecordingNumbersTest, ATakeWaitsForTheProgramHoldingTheCounter) {
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    // Started before the lock is taken: a child would inherit the lock's descriptor, and
    // with it the lock.
    const pid_t child = Child(fromChild[1], [&](int out) {
        std::int32_t go = 0;
        std::int32_t counter = 0;
        if (::read(toChild[0], &go, sizeof go) != static_cast<ssize_t>(sizeof go) ||
            !Send(out, -1)) {
            return false;
        }
        const FreeNumber free = TakeRecordingNumber(counter_, dir_, kFromCounter, counter);
        return free.found && Send(out, free.number);
    });
    std::int32_t taken = 0;
    {
        CCounterLock lock(counter_);
        ASSERT_TRUE(lock.held());
        ASSERT_TRUE(WriteFileCounter(50, counter_));
        ASSERT_TRUE(Send(toChild[1], 1));
        ASSERT_EQ(::read(fromChild[0], &taken, sizeof taken), static_cast<ssize_t>(sizeof taken));
        ASSERT_TRUE(WriteFileCounter(60, counter_));
    }
    EXPECT_EQ(::read(fromChild[0], &taken, sizeof taken), static_cast<ssize_t>(sizeof taken));
    EXPECT_TRUE(Exited(child));
    for (const int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
        ::close(fd);
    EXPECT_EQ(taken, 60);
    EXPECT_EQ(Counter(), "61");
}

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
