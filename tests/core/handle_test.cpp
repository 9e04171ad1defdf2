// Handles release what they hold exactly once, whatever path ownership takes.

#include "core/Handle.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace tavelin {
namespace {

std::vector<int> g_released;

void ReleasePointee(int* p) {
    g_released.push_back(*p);
}
void ReleaseValue(int v) {
    g_released.push_back(v);
}

using IntPtr = Handle<int, ReleasePointee>;
using IntValue = ValueHandle<int, ReleaseValue, -1>;

class HandleTest : public ::testing::Test {
protected:
    void SetUp() override { g_released.clear(); }
};

TEST_F(HandleTest, APointerHandleReleasesOnceAndNeverNull) {
    int a = 1;
    int b = 2;
    {
        IntPtr none;
        IntPtr p(&a);
        p.reset(&b);  // a goes now
        EXPECT_EQ(g_released, std::vector<int>{1});
        IntPtr q(std::move(p));
        EXPECT_EQ(q.release(), &b);  // handed over: not released
    }
    EXPECT_EQ(g_released, std::vector<int>{1});
}

TEST_F(HandleTest, AValueHandleReleasesEachValueOnceWhereverItMoved) {
    {
        IntValue none;
        EXPECT_FALSE(none);
        IntValue a(3);
        IntValue b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.get(), 3);
        IntValue c(4);
        c = std::move(b);  // 4 goes, 3 is c's now
        EXPECT_EQ(g_released, std::vector<int>{4});
        auto& self = c;
        c = std::move(self);
        EXPECT_EQ(c.get(), 3);
        c.reset(5);  // 3 goes
        EXPECT_EQ(c.release(), 5);
        EXPECT_FALSE(c);
        c.reset(6);
    }  // 6 goes with c; the moved-from and empty handles release nothing
    EXPECT_EQ(g_released, (std::vector<int>{4, 3, 6}));
}

TEST(UniqueFdTest, ClosesTheDescriptorItOwnsAndOnlyThat) {
    int kept = -1;
    int closed = -1;
    {
        UniqueFd owned(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        UniqueFd handedOver(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        ASSERT_TRUE(owned);
        ASSERT_TRUE(handedOver);
        closed = owned.get();
        kept = handedOver.release();
    }
    errno = 0;
    EXPECT_EQ(::fcntl(closed, F_GETFD), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_NE(::fcntl(kept, F_GETFD), -1);
    ::close(kept);
}

}  // namespace
}  // namespace tavelin
