// The window backend on an invisible in-memory display: windows follow the
// forms, desktop events reach the controls in the platform's order, the
// window shows the back buffer, the clipboard text crosses in both
// directions, and closing the last window ends the loop.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "vcl/Clipboard.h"
#include "vcl/Cp1252.h"
#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "vcl/Menus.h"
#include "vcl/Timers.h"
#include "vcl/WindowBackend.h"

using namespace vcl;
using namespace vcl::literals;

namespace {

class TProbe : public TCustomControl {
public:
    TProbe(TComponent* owner, std::vector<std::string>& log) : TCustomControl(owner), log_(log) {}

protected:
    void Click() override
    {
        log_.push_back("click");
        TCustomControl::Click();
    }
    void DblClick() override { log_.push_back("dblclick"); }
    void MouseDown(TMouseButton, TShiftState s, int x, int y) override
    {
        log_.push_back(std::string("down") + (s.Contains(ssDouble) ? "(double)" : "") + "@" + std::to_string(x) + "," +
                       std::to_string(y));
    }
    void MouseUp(TMouseButton, TShiftState, int, int) override { log_.push_back("up"); }
    void KeyDown(uint16_t& k, TShiftState s) override
    {
        log_.push_back("keydown " + std::to_string(k) + (s.Contains(ssCtrl) ? " ctrl" : ""));
    }
    void KeyPress(char& c) override { log_.push_back("char " + std::to_string(static_cast<unsigned char>(c))); }
    void KeyUp(uint16_t& k, TShiftState) override { log_.push_back("keyup " + std::to_string(k)); }
    bool DoMouseWheel(TShiftState, int d, TPoint) override
    {
        log_.push_back("wheel " + std::to_string(d));
        return true;
    }

private:
    std::vector<std::string>& log_;
};

class WindowBackend : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!StartWindowBackend({"dummy"})) GTEST_SKIP() << WindowBackendError();
        form = new TForm(nullptr);
        form->SetCaption(std::string("Probe Größe"_cp));
        form->SetBounds(0, 0, 200, 100);
        form->SetColor(0x00336699);
        probe = new TProbe(form, log);
        probe->SetBounds(20, 10, 60, 40);
        probe->SetColor(0x00102030);
        probe->SetParent(form);
        probe->SetFocus();
        Application->ProcessMessages();
        window = FindWindow();
    }
    void TearDown() override
    {
        delete form;
        StopWindowBackend();
    }

    SDL_Window* FindWindow()
    {
        for (uint32_t id = 1; id < 1000; ++id)
            if (SDL_Window* w = SDL_GetWindowFromID(id); w && std::string(SDL_GetWindowTitle(w)) == "Probe Größe")
                return w;
        return nullptr;
    }
    uint32_t Id() { return SDL_GetWindowID(window); }
    // The window's pixel as 0x00BBGGRR.
    uint32_t WindowPixel(int x, int y)
    {
        SDL_Surface* s = SDL_GetWindowSurface(window);
        uint32_t raw = 0;
        std::memcpy(&raw, static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * 4, 4);
        uint8_t r, g, b;
        SDL_GetRGB(raw, s->format, &r, &g, &b);
        return r | (g << 8) | (static_cast<uint32_t>(b) << 16);
    }
    void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }
    void Button(uint32_t type, int x, int y)
    {
        SDL_Event e{};
        e.type = type;
        e.button.windowID = Id();
        e.button.button = SDL_BUTTON_LEFT;
        e.button.x = x;
        e.button.y = y;
        Push(e);
    }
    void Key(uint32_t type, SDL_Keycode k, uint16_t mod = 0)
    {
        SDL_Event e{};
        e.type = type;
        e.key.windowID = Id();
        e.key.keysym.sym = k;
        e.key.keysym.mod = mod;
        Push(e);
    }
    void Text(const char* utf8)
    {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        e.text.windowID = Id();
        std::snprintf(e.text.text, sizeof e.text.text, "%s", utf8);
        Push(e);
    }

    std::vector<std::string> log;
    TForm* form = nullptr;
    TProbe* probe = nullptr;
    SDL_Window* window = nullptr;
};

TEST_F(WindowBackend, WindowShowsTheBackBufferAndFollowsChanges)
{
    ASSERT_NE(window, nullptr);
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 100);
    EXPECT_EQ(WindowPixel(5, 5), 0x00336699u);
    EXPECT_EQ(WindowPixel(30, 20), 0x00102030u);
    // A property change reaches the window with the next turn of the loop,
    // and so does drawing outside the paint cycle.
    probe->SetColor(0x0000FF00);
    Application->ProcessMessages();
    EXPECT_EQ(WindowPixel(30, 20), 0x0000FF00u);
    probe->Canvas().Brush().SetColor(0x000000FF);
    probe->Canvas().FillRect({0, 0, 1, 1});
    Application->ProcessMessages();
    EXPECT_EQ(WindowPixel(20, 10), 0x000000FFu);
    // The caption is the window's title, in UTF-8.
    form->SetCaption(std::string("Maß"_cp));
    Application->ProcessMessages();
    EXPECT_STREQ(SDL_GetWindowTitle(window), "Maß");
}

TEST_F(WindowBackend, MouseEventsArriveInThePlatformOrder)
{
    ASSERT_NE(window, nullptr);
    Button(SDL_MOUSEBUTTONDOWN, 25, 15);
    Button(SDL_MOUSEBUTTONUP, 25, 15);
    Button(SDL_MOUSEBUTTONDOWN, 25, 15);
    Button(SDL_MOUSEBUTTONUP, 25, 15);
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = Id();
    e.wheel.y = -1;
    Push(e);
    Application->ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"down@5,5", "click", "up", "dblclick", "down(double)@5,5", "up",
                                             "wheel -120"}));
}

TEST_F(WindowBackend, KeysAndTextBecomeKeyCodesAndCp1252Characters)
{
    ASSERT_NE(window, nullptr);
    Key(SDL_KEYDOWN, SDLK_a);
    Text("a");
    Key(SDL_KEYUP, SDLK_a);
    Text("ä€");       // two characters cp1252 holds
    Text("\xE2\x9C\x93"); // a check mark it does not: dropped
    Key(SDL_KEYDOWN, SDLK_RETURN);
    Key(SDL_KEYDOWN, SDLK_c, KMOD_LCTRL);
    Key(SDL_KEYDOWN, SDLK_LEFT);
    Application->ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"keydown 65", "char 97", "keyup 65", "char 228", "char 128",
                                             "keydown 13", "char 13", "keydown 67 ctrl", "char 3", "keydown 37"}));
}

TEST_F(WindowBackend, ClipboardTextCrossesBothWays)
{
    Clipboard().SetAsText(std::string("März 5 €"_cp));
    char* t = SDL_GetClipboardText();
    EXPECT_STREQ(t, "März 5 €");
    SDL_free(t);

    SDL_SetClipboardText("Grüße \xE2\x9C\x93");
    SDL_Event e{};
    e.type = SDL_CLIPBOARDUPDATE;
    Push(e);
    Application->ProcessMessages();
    EXPECT_EQ(Clipboard().GetAsText(), "Grüße ?"_cp);

    // A bitmap on the program's clipboard stays while the desktop's text
    // does not change.
    Clipboard().SetBitmap(TBitmap(2, 2));
    Push(e);
    Application->ProcessMessages();
    EXPECT_TRUE(Clipboard().HasFormat(CF_BITMAP));
}

TEST_F(WindowBackend, TimersTickInRealTimeAndClosingTheLastWindowEndsRun)
{
    ASSERT_NE(window, nullptr);
    int ticks = 0;
    TMessageWindow timer([&](TMessage& m) {
        if (m.Msg != WM_TIMER) return;
        if (++ticks == 3) {
            SDL_Event e{};
            e.type = SDL_WINDOWEVENT;
            e.window.event = SDL_WINDOWEVENT_CLOSE;
            e.window.windowID = Id();
            SDL_PushEvent(&e);
        }
    });
    ASSERT_TRUE(timer.SetTimer(1, 20));
    const int64_t start = ClockMs();
    Application->Run();
    EXPECT_GE(ticks, 3);
    EXPECT_GE(ClockMs() - start, 60);
    EXPECT_FALSE(form->GetVisible());
    EXPECT_EQ(FindWindow(), nullptr);
}

TEST_F(WindowBackend, ModalFormRunsInItsOwnWindowAndTakesTheInput)
{
    ASSERT_NE(window, nullptr);
    TForm dialog(nullptr);
    dialog.SetCaption("Question");
    dialog.SetBounds(0, 0, 120, 80);
    dialog.SetVisible(false);
    std::vector<std::string> dialogLog;
    auto* button = new TProbe(&dialog, dialogLog);
    button->SetBounds(10, 10, 50, 30);
    button->SetParent(&dialog);
    button->OnClick = [&](TObject*) { dialog.SetModalResult(mrOk); };
    // Once the dialog's window is open, a click goes to the main window
    // (which must not get it) and then one to the dialog's button.
    int ticks = 0;
    bool pushed = false;
    TMessageWindow timer([&](TMessage& m) {
        if (m.Msg != WM_TIMER) return;
        // A dialog that never answers ends the test instead of hanging it.
        if (++ticks > 300) dialog.SetModalResult(mrAbort);
        uint32_t id = 0;
        for (uint32_t i = 1; i < 1000 && !id; ++i)
            if (SDL_Window* w = SDL_GetWindowFromID(i); w && std::string(SDL_GetWindowTitle(w)) == "Question") id = i;
        if (!id || pushed) return;
        pushed = true;
        Button(SDL_MOUSEBUTTONDOWN, 25, 15);
        Button(SDL_MOUSEBUTTONUP, 25, 15);
        for (uint32_t type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
            SDL_Event e{};
            e.type = type;
            e.button.windowID = id;
            e.button.button = SDL_BUTTON_LEFT;
            e.button.x = 20;
            e.button.y = 20;
            SDL_PushEvent(&e);
        }
    });
    ASSERT_TRUE(timer.SetTimer(1, 10));
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(dialogLog, (std::vector<std::string>{"down@10,10", "click", "up"}));
    // The dialog's window closes with the next turn; closing it by the
    // window's close box cancels.
    Application->ProcessMessages();
    int closerTicks = 0;
    TMessageWindow closer([&](TMessage& m) {
        if (m.Msg != WM_TIMER) return;
        if (++closerTicks > 300) dialog.SetModalResult(mrAbort);
        for (uint32_t i = 1; i < 1000; ++i)
            if (SDL_Window* w = SDL_GetWindowFromID(i); w && std::string(SDL_GetWindowTitle(w)) == "Question") {
                SDL_Event e{};
                e.type = SDL_WINDOWEVENT;
                e.window.event = SDL_WINDOWEVENT_CLOSE;
                e.window.windowID = i;
                SDL_PushEvent(&e);
            }
    });
    ASSERT_TRUE(closer.SetTimer(1, 10));
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_TRUE(form->GetVisible());
}

TEST_F(WindowBackend, PopupMenuOpensBoxesAndClicksTheChosenItemAfterClosing)
{
    ASSERT_NE(window, nullptr);
    TPopupMenu menu(nullptr);
    std::vector<std::string> clicks;
    auto add = [&](TMenuItem& parent, const char* caption) {
        auto* it = new TMenuItem(&menu);
        it->SetCaption(caption);
        it->OnClick = [&clicks, caption](TObject*) { clicks.push_back(caption); };
        parent.Add(it);
        return it;
    };
    add(menu.Items(), "Open");
    TMenuItem* more = add(menu.Items(), "More");
    TMenuItem* deep = add(*more, "Deep");
    add(menu.Items(), "Close");
    // The boxes are the only windows without a title. Moving onto "More"
    // opens its sub-menu; releasing on "Deep" there chooses it.
    auto boxes = [] {
        std::vector<uint32_t> ids;
        for (uint32_t i = 1; i < 1000; ++i)
            if (SDL_Window* w = SDL_GetWindowFromID(i); w && std::string(SDL_GetWindowTitle(w)).empty())
                ids.push_back(i);
        return ids;
    };
    auto rowY = [](TMenuItem& parent, TMenuItem* item) {
        for (int y = 0; y < 200; ++y)
            if (MenuBoxItemAt(parent, 10, y) == item) return y + 2;
        return -1;
    };
    int step = 0, ticks = 0;
    bool closedBeforeClick = false;
    deep->OnClick = [&](TObject*) {
        closedBeforeClick = boxes().empty();
        clicks.push_back("Deep");
    };
    TMessageWindow timer([&](TMessage& m) {
        if (m.Msg != WM_TIMER || ++ticks > 300) return;
        const auto ids = boxes();
        SDL_Event e{};
        if (step == 0 && ids.size() == 1) {
            e.type = SDL_MOUSEMOTION;
            e.motion.windowID = ids[0];
            e.motion.x = 10;
            e.motion.y = rowY(menu.Items(), more);
            SDL_PushEvent(&e);
            step = 1;
        } else if (step == 1 && ids.size() == 2) {
            e.type = SDL_MOUSEBUTTONUP;
            e.button.windowID = ids[1];
            e.button.button = SDL_BUTTON_LEFT;
            e.button.x = 10;
            e.button.y = rowY(*more, deep);
            SDL_PushEvent(&e);
            step = 2;
        } else if (ticks == 300) {
            // Nothing happened as expected: close the menu so the test ends.
            e.type = SDL_KEYDOWN;
            e.key.windowID = Id();
            e.key.keysym.sym = SDLK_ESCAPE;
            SDL_PushEvent(&e);
        }
    });
    ASSERT_TRUE(timer.SetTimer(1, 10));
    menu.Popup(40, 30);
    EXPECT_EQ(clicks, std::vector<std::string>{"Deep"});
    EXPECT_TRUE(closedBeforeClick);
    EXPECT_TRUE(boxes().empty());

    // A press outside closes the menu without a choice, and the press does
    // not reach the form.
    timer.KillTimer(1);
    TMessageWindow outside([&](TMessage& m) {
        if (m.Msg != WM_TIMER || boxes().empty()) return;
        Button(SDL_MOUSEBUTTONDOWN, 25, 15);
    });
    ASSERT_TRUE(outside.SetTimer(1, 10));
    menu.Popup(40, 30);
    EXPECT_EQ(clicks.size(), 1u);
    EXPECT_TRUE(log.empty());
}

} // namespace
