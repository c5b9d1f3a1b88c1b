// Input: event order of clicks and double clicks, capture, keys, focus and
// tab order, disabled controls, messages, destruction inside a handler.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vcl/Controls.h"
#include "vcl/Forms.h"
#include "vcl/TestHooks.h"

using namespace vcl;

namespace {

using Log = std::vector<std::string>;

// A windowed control logging every input event.
class TProbe : public TCustomControl {
public:
    TProbe(TComponent* owner, std::string tag, Log& log) : TCustomControl(owner), tag_(std::move(tag)), log_(log) {}
    uint32_t lastMessage = 0;

protected:
    void Click() override
    {
        log_.push_back(tag_ + ":click");
        TCustomControl::Click();
    }
    void DblClick() override
    {
        log_.push_back(tag_ + ":dblclick");
        TCustomControl::DblClick();
    }
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override
    {
        log_.push_back(tag_ + ":down" + (s.Contains(ssDouble) ? "(double)" : "") + "@" + std::to_string(x) + "," +
                       std::to_string(y) + (b == mbRight ? " right" : ""));
        TCustomControl::MouseDown(b, s, x, y);
    }
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override
    {
        log_.push_back(tag_ + ":up@" + std::to_string(x) + "," + std::to_string(y));
        TCustomControl::MouseUp(b, s, x, y);
    }
    void MouseMove(TShiftState s, int x, int y) override
    {
        log_.push_back(tag_ + ":move@" + std::to_string(x) + "," + std::to_string(y) +
                       (s.Contains(ssLeft) ? " left" : ""));
        TCustomControl::MouseMove(s, x, y);
    }
    void WndProc(TMessage& m) override
    {
        if (m.Msg == CM_BUTTONPRESSED) {
            lastMessage = m.Msg;
            log_.push_back(tag_ + ":msg " + std::to_string(m.WParam));
        }
        TCustomControl::WndProc(m);
    }

private:
    std::string tag_;
    Log& log_;
};

struct InputFixture : ::testing::Test {
    Log log;
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TProbe* a = nullptr;
    TProbe* b = nullptr;
    void SetUp() override
    {
        form->SetBounds(0, 0, 200, 100);
        a = new TProbe(form.get(), "a", log);
        a->SetParent(form.get());
        a->SetBounds(10, 10, 50, 50);
        b = new TProbe(form.get(), "b", log);
        b->SetParent(form.get());
        b->SetBounds(100, 10, 50, 50);
        // Keep earlier presses of other tests out of double-click range.
        test::Advance(1000);
    }
};

TEST_F(InputFixture, ClickAndDoubleClickOrder)
{
    test::Click(*a, 5, 6);
    EXPECT_EQ(log, (Log{"a:down@5,6", "a:click", "a:up@5,6"}));
    log.clear();
    test::Advance(1000);
    test::DblClick(*a, 5, 6);
    EXPECT_EQ(log, (Log{"a:down@5,6", "a:click", "a:up@5,6", "a:dblclick", "a:down(double)@5,6", "a:up@5,6"}));
    log.clear();

    // Too slow, or too far apart: two single clicks.
    test::Advance(1000);
    test::Click(*a, 5, 6);
    test::Advance(kDoubleClickTime + 1);
    test::Click(*a, 5, 6);
    test::Advance(1000);
    test::Click(*a, 5, 6);
    test::Click(*a, 5 + kDoubleClickDistance + 1, 6);
    for (const std::string& s : log) EXPECT_EQ(s.find("double"), std::string::npos) << s;

    // A third quick press starts a new click.
    log.clear();
    test::Advance(1000);
    test::DblClick(*a, 1, 1);
    test::Click(*a, 1, 1);
    EXPECT_EQ(log.back(), "a:up@1,1");
    EXPECT_EQ(log[log.size() - 3], "a:down@1,1");
}

TEST_F(InputFixture, CaptureKeepsMovesAndReleaseOnThePressedControl)
{
    test::MouseDown(*a, 5, 5);
    test::MouseMove(*a, 120, 20); // over b, still captured by a
    test::MouseUp(*a, 120, 20);   // released outside a: no click
    EXPECT_EQ(log, (Log{"a:down@5,5", "a:move@120,20 left", "a:up@120,20"}));
    log.clear();
    test::MouseMove(*a, 120, 20);
    EXPECT_EQ(log, (Log{"b:move@30,20"})) << "capture ended with the release";
}

TEST_F(InputFixture, RightButtonDoesNotClick)
{
    test::Click(*a, 3, 3, mbRight);
    EXPECT_EQ(log, (Log{"a:down@3,3 right", "a:up@3,3"}));
}

TEST_F(InputFixture, DisabledControlsReceiveNothing)
{
    a->SetEnabled(false);
    test::Click(*a, 5, 5);
    test::MouseMove(*a, 6, 6);
    EXPECT_TRUE(log.empty());
    EXPECT_THROW(a->SetFocus(), EInvalidOperation);

    // Disabled through a parent.
    a->SetEnabled(true);
    auto* inner = new TProbe(form.get(), "inner", log);
    inner->SetParent(a);
    inner->SetBounds(0, 0, 10, 10);
    a->SetEnabled(false);
    test::Click(*inner, 1, 1);
    EXPECT_TRUE(log.empty());

    // Keys do not reach a focused control that becomes disabled.
    b->SetFocus();
    b->SetEnabled(false);
    EXPECT_EQ(form->GetActiveControl(), nullptr);
    int keys = 0;
    b->OnKeyDown = [&](TObject*, uint16_t&, TShiftState) { ++keys; };
    test::KeyDown(*b, 'A');
    EXPECT_EQ(keys, 0);
}

TEST_F(InputFixture, KeyOrderAndChangedCharacter)
{
    b->SetFocus();
    std::string typed;
    b->OnKeyDown = [&](TObject*, uint16_t& k, TShiftState) { log.push_back("down " + std::to_string(k)); };
    b->OnKeyUp = [&](TObject*, uint16_t& k, TShiftState) { log.push_back("up " + std::to_string(k)); };
    b->OnKeyPress = [&](TObject*, char& ch) {
        if (ch == 'x') ch = 0;              // consumed
        else if (ch == 'a') ch = 'A';       // changed
        if (ch) typed += ch;
    };
    test::TypeText(*b, "ax1");
    EXPECT_EQ(typed, "A1");
    EXPECT_EQ(log, (Log{"down 65", "up 65", "down 88", "up 88", "down 49", "up 49"}));

    // The changed character reaches an override after the handler.
    struct TUpper : TCustomControl {
        using TCustomControl::TCustomControl;
        std::string got;
        void KeyPress(char& ch) override
        {
            TCustomControl::KeyPress(ch);
            if (ch) got += ch;
        }
    };
    auto* u = new TUpper(form.get());
    u->SetParent(form.get());
    u->SetBounds(0, 70, 10, 10);
    u->OnKeyPress = [](TObject*, char& ch) { ch = ch == 'q' ? '\0' : static_cast<char>(ch - 32); };
    u->SetFocus();
    test::TypeText(*u, "bqc");
    EXPECT_EQ(u->got, "BC");
}

TEST_F(InputFixture, FocusEnterExitAndTabOrder)
{
    auto* c = new TProbe(form.get(), "c", log);
    c->SetParent(form.get());
    c->SetBounds(0, 70, 10, 10);
    for (TProbe* p : {a, b, c}) {
        p->SetTabStop(true);
        p->OnEnter = [&log = log, p](TObject*) { log.push_back("enter " + p->GetName()); };
        p->OnExit = [&log = log, p](TObject*) { log.push_back("exit " + p->GetName()); };
    }
    a->SetName("a");
    b->SetName("b");
    c->SetName("c");
    c->SetTabOrder(0); // c, a, b
    EXPECT_EQ(a->GetTabOrder(), 1);
    a->SetFocus();
    EXPECT_TRUE(a->Focused());
    test::KeyDown(*a, VK_TAB);
    EXPECT_TRUE(b->Focused());
    test::KeyDown(*a, VK_TAB);
    EXPECT_TRUE(c->Focused()) << "wraps around";
    test::KeyDown(*a, VK_TAB, {ssShift});
    EXPECT_TRUE(b->Focused());
    EXPECT_EQ(log, (Log{"enter a", "exit a", "enter b", "exit b", "enter c", "exit c", "enter b"}));

    // Hidden, disabled and non-tab-stop controls are skipped.
    log.clear();
    c->SetVisible(false);
    a->SetTabStop(false);
    test::KeyDown(*b, VK_TAB);
    EXPECT_TRUE(b->Focused()) << "no other candidate";
    EXPECT_TRUE(log.empty());

    // A control that wants all keys gets Tab itself.
    b->SetWantAllKeys(true);
    uint16_t got = 0;
    b->OnKeyDown = [&](TObject*, uint16_t& k, TShiftState) { got = k; };
    test::KeyDown(*b, VK_TAB);
    EXPECT_EQ(got, VK_TAB);
    EXPECT_TRUE(b->Focused());
}

TEST_F(InputFixture, PerformAndBroadcast)
{
    auto* g = new TGraphicControl(form.get());
    g->SetParent(form.get());
    int graphicSeen = 0;
    struct TCounting : TGraphicControl {
        using TGraphicControl::TGraphicControl;
        int* seen = nullptr;
        void WndProc(TMessage& m) override
        {
            if (m.Msg == CM_BUTTONPRESSED) ++*seen;
            TGraphicControl::WndProc(m);
        }
    };
    auto* counting = new TCounting(form.get());
    counting->seen = &graphicSeen;
    counting->SetParent(form.get());
    TMessage m{CM_BUTTONPRESSED, 7, 0, 0};
    form->Broadcast(m);
    EXPECT_EQ(log, (Log{"a:msg 7", "b:msg 7"}));
    EXPECT_EQ(graphicSeen, 1) << "graphic children get broadcasts too";
    EXPECT_EQ(a->Perform(CM_BUTTONPRESSED, 3), 0);
    EXPECT_EQ(log.back(), "a:msg 3");
    (void)g;
}

TEST_F(InputFixture, HandlerDestroyingItsControlIsSafe)
{
    // Deleted outright from OnClick, from OnMouseDown, and released.
    a->OnClick = [this](TObject*) { delete a; a = nullptr; };
    test::Click(*a, 5, 5);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(form->GetControlCount(), 1);

    b->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { delete b; b = nullptr; };
    test::DblClick(*b, 5, 5);
    EXPECT_EQ(b, nullptr);

    auto* c = new TProbe(form.get(), "c", log);
    c->SetParent(form.get());
    c->SetBounds(0, 0, 20, 20);
    bool afterRelease = false;
    c->OnClick = [&](TObject* sender) {
        static_cast<TControl*>(sender)->Release();
        afterRelease = static_cast<TControl*>(sender)->GetWidth() == 20; // still alive here
    };
    c->SetFocus();
    test::Advance(1000);
    test::Click(*c, 5, 5);
    EXPECT_TRUE(afterRelease);
    EXPECT_EQ(form->GetControlCount(), 0);
    EXPECT_EQ(form->GetActiveControl(), nullptr);

    // A form destroyed from a key handler of its child.
    auto* f2 = new TForm(nullptr);
    auto* d = new TProbe(f2, "d", log);
    d->SetParent(f2);
    d->SetBounds(0, 0, 10, 10);
    d->SetFocus();
    d->OnKeyDown = [f2](TObject*, uint16_t&, TShiftState) { delete f2; };
    test::TypeText(*d, "zz");
}

TEST(ControlsApplication, ScreenCursorAndBeep)
{
    Screen->ClearCursorHistory();
    Screen->SetCursor(crHourGlass);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(Screen->CursorHistory(), (std::vector<TCursor>{crHourGlass, crDefault}));
    EXPECT_EQ(Screen->GetPixelsPerInch(), 96);
    EXPECT_TRUE(Screen->HasCursor(crHandPoint));
    EXPECT_FALSE(Screen->HasCursor(1000));
    Screen->RegisterCursor(1000, "hand");
    EXPECT_TRUE(Screen->HasCursor(1000));
    const int beeps = MessageBeepCount();
    MessageBeep();
    EXPECT_EQ(MessageBeepCount(), beeps + 1);
}

TEST(ControlsApplication, WheelGoesToFocusedControlThenParents)
{
    TForm form(nullptr);
    auto* p = new TCustomControl(&form);
    p->SetParent(&form);
    p->SetBounds(0, 0, 50, 50);
    p->SetTabStop(true);
    int parentWheel = 0;
    form.OnMouseWheel = [&](TObject*, TShiftState, int d, TPoint, bool& handled) {
        parentWheel += d;
        handled = true;
    };
    p->SetFocus();
    EXPECT_TRUE(test::Wheel(*p, -WHEEL_DELTA));
    EXPECT_EQ(parentWheel, -WHEEL_DELTA);
    p->OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool& handled) { handled = true; };
    EXPECT_TRUE(test::Wheel(*p, WHEEL_DELTA));
    EXPECT_EQ(parentWheel, -WHEEL_DELTA);
}

} // namespace

namespace {

TEST_F(InputFixture, MouseEnterAndLeaveFollowTheControlUnderTheMouse)
{
    Log hover;
    for (TProbe* p : {a, b}) {
        const std::string tag = p == a ? "a" : "b";
        p->OnMouseEnter = [&hover, tag](TObject*) { hover.push_back("enter " + tag); };
        p->OnMouseLeave = [&hover, tag](TObject*) { hover.push_back("leave " + tag); };
    }
    test::MouseMove(*a, 1, 1);
    test::MouseMove(*a, 2, 2);
    test::MouseMove(*b, 1, 1);
    test::MouseMove(*form, 190, 90);
    EXPECT_EQ(hover, (Log{"enter a", "leave a", "enter b", "leave b"}));
}

TEST_F(InputFixture, NestedProcessMessagesInsideAHandler)
{
    // A handler that runs the loop while its control is destroyed meanwhile
    // by a released sibling.
    a->OnClick = [this](TObject*) {
        b->Release();
        b->Invalidate();
        Application->ProcessMessages();
    };
    test::Click(*a, 5, 5);
    Application->ProcessMessages();
    EXPECT_EQ(form->GetControlCount(), 1) << "released once the outermost event returned";
}

} // namespace
