#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/posix/PosixMessageWindow.h"

namespace equ {
namespace {

using posix::PosixMessageWindows;

class PosixMessageWindowTest : public ::testing::Test {
 protected:
  PosixMessageWindows windows;
  std::vector<std::uint32_t> handled;
  std::thread::id handledOn;
  std::unique_ptr<MessageWindow> window = *windows.Create([this](const WindowMessage& m) {
    handled.push_back(m.message);
    handledOn = std::this_thread::get_id();
    return static_cast<std::intptr_t>(m.lParam * 2);
  });
};

TEST_F(PosixMessageWindowTest, SendFromTheOwnThreadRunsTheProcedureAtOnce) {
  EXPECT_EQ(window->Send({1035, 0, 21}), 42);
  EXPECT_EQ(handled, std::vector<std::uint32_t>{1035});
  EXPECT_NE(window->Handle(), 0u);
}

TEST_F(PosixMessageWindowTest, SendFromAnotherThreadWaitsUntilTheOwnerServesIt) {
  std::atomic<std::intptr_t> answer{0};
  std::atomic<bool> sent{false};
  std::thread worker([&] {
    answer = window->Send({1035, 0, 5});
    sent = true;
  });
  EXPECT_TRUE(windows.ServeMessagesUntil([&] { return sent.load(); }, 5000));
  worker.join();
  EXPECT_EQ(answer, 10);
  EXPECT_EQ(handledOn, std::this_thread::get_id());
}

TEST_F(PosixMessageWindowTest, PostedMessagesWaitForServingAndComeInOrder) {
  EXPECT_TRUE(window->Post({2000, 0, 1}));
  EXPECT_TRUE(window->Post({2001, 0, 2}));
  EXPECT_TRUE(handled.empty());
  windows.ServeMessagesUntil([&] { return handled.size() == 2; }, 1000);
  EXPECT_EQ(handled, (std::vector<std::uint32_t>{2000, 2001}));
}

TEST_F(PosixMessageWindowTest, ServeMessagesUntilAnswersFalseWhenTheTimeRunsOut) {
  EXPECT_FALSE(windows.ServeMessagesUntil([] { return false; }, 20));
  EXPECT_TRUE(windows.ServeMessagesUntil([] { return true; }, 0));
}

TEST_F(PosixMessageWindowTest, ASenderServesMessagesSentToItsOwnThreadWhileItWaits) {
  // The host's procedure sends to the worker's window while the worker waits in its Send to
  // the host: the worker serves that message meanwhile, so both finish.
  std::atomic<MessageWindow*> workerWindow{nullptr};
  auto host = *windows.Create([&](const WindowMessage& m) { return workerWindow.load()->Send(m); });
  std::atomic<std::intptr_t> answer{0};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    PosixMessageWindows own;
    auto mine = *own.Create([](const WindowMessage& m) { return m.lParam + 1; });
    workerWindow = mine.get();
    answer = host->Send({1, 0, 41});
    done = true;
  });
  EXPECT_TRUE(windows.ServeMessagesUntil([&] { return done.load(); }, 5000));
  worker.join();
  EXPECT_EQ(answer, 42);
}

TEST_F(PosixMessageWindowTest, ADestroyedWindowReleasesItsSendersWithZero) {
  std::atomic<std::intptr_t> answer{-1};
  std::atomic<bool> queued{false};
  std::thread worker([&] {
    queued = true;
    answer = window->Send({1035, 0, 7});
  });
  while (!queued) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  window.reset();
  worker.join();
  EXPECT_EQ(answer, 0);
  EXPECT_TRUE(handled.empty());
}

TEST(PosixMessageWindowThreadTest, AWindowOfAnEndedThreadAnswersZeroAtOnce) {
  std::unique_ptr<MessageWindow> orphan;
  std::thread owner([&] {
    PosixMessageWindows windows;
    orphan = *windows.Create([](const WindowMessage&) { return std::intptr_t{9}; });
  });
  owner.join();
  EXPECT_EQ(orphan->Send({1, 0, 0}), 0);
  EXPECT_FALSE(orphan->Post({1, 0, 0}));
}

}  // namespace
}  // namespace equ
