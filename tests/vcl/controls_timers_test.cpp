// Window timers on the virtual clock, the exception hook, and destruction of
// a message window from its own tick.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "vcl/Forms.h"
#include "vcl/TestHooks.h"
#include "vcl/Timers.h"

using namespace vcl;

namespace {

TEST(ControlsTimers, TicksComeInTimeOrderOnAdvance)
{
    std::vector<std::pair<int64_t, uintptr_t>> ticks;
    test::Advance(0);
    const int64_t start = ClockMs();
    TMessageWindow w([&](TMessage& m) {
        if (m.Msg == WM_TIMER) ticks.emplace_back(ClockMs() - start, m.WParam);
    });
    ASSERT_TRUE(w.SetTimer(1, 100));
    ASSERT_TRUE(w.SetTimer(2, 250));
    test::Advance(99);
    EXPECT_TRUE(ticks.empty()) << "no tick before the interval";
    test::Advance(401);
    EXPECT_EQ(ticks, (std::vector<std::pair<int64_t, uintptr_t>>{
                         {100, 1}, {200, 1}, {250, 2}, {300, 1}, {400, 1}, {500, 1}, {500, 2}}));

    // Setting an existing id restarts it; killing stops it.
    ticks.clear();
    ASSERT_TRUE(w.SetTimer(1, 1000));
    EXPECT_TRUE(w.KillTimer(2));
    EXPECT_FALSE(w.KillTimer(2));
    test::Advance(999);
    EXPECT_TRUE(ticks.empty());
    test::Advance(1);
    EXPECT_EQ(ticks.size(), 1u);
}

TEST(ControlsTimers, RefusalAndMinimumInterval)
{
    int n = 0;
    TMessageWindow w([&](TMessage&) { ++n; });
    test::SetTimerRefusal(true);
    EXPECT_FALSE(w.SetTimer(1, 100));
    test::SetTimerRefusal(false);
    ASSERT_TRUE(w.SetTimer(1, 1)); // counts as 10 ms
    test::Advance(100);
    EXPECT_EQ(n, 10);
}

TEST(ControlsTimers, ExceptionsGoToTheHookAndTheTimerKeepsRunning)
{
    Application->ClearExceptionMessages();
    int n = 0;
    TMessageWindow w([&](TMessage&) {
        ++n;
        throw std::runtime_error("tick failed");
    });
    ASSERT_TRUE(w.SetTimer(1, 50));
    test::Advance(100);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(Application->ExceptionMessages(), (std::vector<std::string>{"tick failed", "tick failed"}));

    std::string hooked;
    Application->OnException = [&](TObject*, std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& ex) {
            hooked = ex.what();
        }
    };
    test::Advance(50);
    EXPECT_EQ(hooked, "tick failed");
    Application->OnException = nullptr;
    Application->ClearExceptionMessages();
}

TEST(ControlsTimers, WindowDestroyedInItsOwnTick)
{
    std::unique_ptr<TMessageWindow> w;
    int n = 0, other = 0;
    w = std::make_unique<TMessageWindow>([&](TMessage&) {
        ++n;
        w.reset(); // destroys the window (and the handler being run)
    });
    TMessageWindow keep([&](TMessage&) { ++other; });
    ASSERT_TRUE(w->SetTimer(1, 10));
    ASSERT_TRUE(keep.SetTimer(1, 10));
    test::Advance(100);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(other, 10);
}

TEST(ControlsTimers, ProcessMessagesDeliversDueTicksOnce)
{
    int n = 0;
    TMessageWindow w([&](TMessage&) { ++n; });
    test::Advance(0);
    ASSERT_TRUE(w.SetTimer(7, 10));
    // On the virtual clock RunFor advances it.
    detail::SetVirtualClock(true);
    Application->RunFor(0);
    EXPECT_EQ(n, 0);
    Application->RunFor(35);
    EXPECT_EQ(n, 3);
}

} // namespace
