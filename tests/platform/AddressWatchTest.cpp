// The kernel's address messages, heard inside a namespace of the test's own.
#include <gtest/gtest.h>

#include "platform/AddressWatch.h"
#include "platform/SocketNotifier.h"
#include "support/NetLab.h"

using namespace vostrelle;

TEST(AddressWatch, HearsAddressesComeAndGoOncePerBurst) {
  std::string why;
  auto lab = test::NetLab::Create(1, 5, &why);
  if (!lab) GTEST_SKIP() << "no private LAN: " << why;

  PollLoop loop;
  AddressWatch watch;
  int changes = 0;
  ASSERT_TRUE(lab->Enter(1));
  const bool opened = watch.Open(&loop, [&] { ++changes; });
  ASSERT_TRUE(lab->Leave());
  ASSERT_TRUE(opened);

  // A burst of changes: read up in one go.
  ASSERT_TRUE(lab->Ip(1, "addr add 10.77.6.1/24 dev eth0"));
  ASSERT_TRUE(lab->Ip(1, "addr add 10.77.7.1/24 dev eth0"));
  ASSERT_TRUE(lab->Ip(1, "addr del 10.77.6.1/24 dev eth0"));
  ASSERT_EQ(loop.RunOnce(2000), 1);
  EXPECT_EQ(changes, 1);

  // The last address going away is heard too.
  ASSERT_TRUE(lab->Ip(1, "addr del 10.77.7.1/24 dev eth0"));
  ASSERT_EQ(loop.RunOnce(2000), 1);
  EXPECT_EQ(changes, 2);
}
