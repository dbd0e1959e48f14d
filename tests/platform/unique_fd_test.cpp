#include "platform/linux/system/unique_fd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <utility>

namespace plugscope {
namespace {

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

TEST(UniqueFd, ClosesExactlyOnceWhereverItIsMoved) {
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
  const int first = ends[0];
  const int second = ends[1];
  {
    UniqueFd a(first);
    UniqueFd b(std::move(a));
    EXPECT_FALSE(a.valid()) << "a moved-from one holds nothing";
    EXPECT_TRUE(isOpen(first)) << "a move must not close";
    UniqueFd c(second);
    c = std::move(b);
    EXPECT_FALSE(isOpen(second)) << "the one replaced is closed";
    EXPECT_TRUE(isOpen(first));
    EXPECT_EQ(c.get(), first);
  }
  EXPECT_FALSE(isOpen(first)) << "closed when its last owner goes";

  ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
  UniqueFd kept(ends[0]);
  EXPECT_TRUE(kept.close());
  EXPECT_FALSE(isOpen(ends[0]));
  EXPECT_FALSE(kept.close()) << "closed once only";
  const int released = UniqueFd(ends[1]).release();
  EXPECT_TRUE(isOpen(released)) << "released, not closed";
  ::close(released);
}

}  // namespace
}  // namespace plugscope
