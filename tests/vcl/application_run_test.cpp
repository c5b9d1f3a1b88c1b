// Application->Run without windows: it ends when nothing can happen any more
// or when a handler calls Terminate; on the virtual clock it jumps from tick
// to tick.
#include <gtest/gtest.h>

#include "vcl/Forms.h"
#include "vcl/TestHooks.h"
#include "vcl/Timers.h"

using namespace vcl;

namespace {

TEST(ApplicationRun, EndsWithoutTimersAndPaintsPendingAreas)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 20, 10);
    form.SetColor(0x00123456);
    Application->Run();
    EXPECT_TRUE(form.DirtyRects().empty());
    EXPECT_EQ(form.BackBuffer().ScanLine(5)[5], 0x00123456u);
}

TEST(ApplicationRun, RunsTimersUntilTerminateOnTheVirtualClock)
{
    test::Advance(0); // the virtual clock
    const int64_t start = ClockMs();
    int ticks = 0;
    TMessageWindow timer([&](TMessage& m) {
        if (m.Msg == WM_TIMER && ++ticks == 3) Application->Terminate();
    });
    ASSERT_TRUE(timer.SetTimer(7, 250));
    Application->Run();
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(ClockMs() - start, 750);
    EXPECT_TRUE(Application->GetTerminated());
}

} // namespace
