// The window backend on SDL2: one window per visible form, showing the
// form's back buffer; desktop input routed through the same entry points as
// the test hooks' simulated input; the timer clock on the event clock; the
// text clipboard kept in step with the desktop's.
#include "vcl/WindowBackend.h"

#include "vcl/Clipboard.h"
#include "vcl/Cp1252.h"
#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "vcl/Menus.h"
#include "vcl/Timers.h"
#include "vcl/internal/EventHost.h"

#include <SDL.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

namespace vcl {

namespace {

// Virtual-key code of a key, or 0 for keys the controls do not know.
// Letters, digits and the named keys follow the key's meaning in the
// present layout; punctuation keys follow their position, as their codes
// name positions too.
uint16_t VirtualKey(const SDL_Keysym& k)
{
    const SDL_Keycode c = k.sym;
    if (c >= SDLK_a && c <= SDLK_z) return static_cast<uint16_t>('A' + (c - SDLK_a));
    if (c >= SDLK_0 && c <= SDLK_9) return static_cast<uint16_t>('0' + (c - SDLK_0));
    if (c >= SDLK_F1 && c <= SDLK_F12) return static_cast<uint16_t>(112 + (c - SDLK_F1));
    if (c >= SDLK_KP_1 && c <= SDLK_KP_9) return static_cast<uint16_t>(97 + (c - SDLK_KP_1));
    switch (c) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return 19;
    case SDLK_CAPSLOCK: return 20;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_KP_0: return 96;
    case SDLK_KP_MULTIPLY: return 106;
    case SDLK_KP_PLUS: return 107;
    case SDLK_KP_MINUS: return 109;
    case SDLK_KP_PERIOD: return 110;
    case SDLK_KP_DIVIDE: return 111;
    default: break;
    }
    switch (k.scancode) {
    case SDL_SCANCODE_SEMICOLON: return 186;
    case SDL_SCANCODE_EQUALS: return 187;
    case SDL_SCANCODE_COMMA: return 188;
    case SDL_SCANCODE_MINUS: return 189;
    case SDL_SCANCODE_PERIOD: return 190;
    case SDL_SCANCODE_SLASH: return 191;
    case SDL_SCANCODE_GRAVE: return 192;
    case SDL_SCANCODE_LEFTBRACKET: return 219;
    case SDL_SCANCODE_BACKSLASH: return 220;
    case SDL_SCANCODE_RIGHTBRACKET: return 221;
    case SDL_SCANCODE_APOSTROPHE: return 222;
    default: return 0;
    }
}

TShiftState ShiftOf(uint16_t mod)
{
    TShiftState s;
    if (mod & KMOD_SHIFT) s.Include(ssShift);
    if (mod & KMOD_CTRL) s.Include(ssCtrl);
    if (mod & KMOD_ALT) s.Include(ssAlt);
    return s;
}

bool ButtonOf(uint8_t sdlButton, TMouseButton& b)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: b = mbLeft; return true;
    case SDL_BUTTON_RIGHT: b = mbRight; return true;
    case SDL_BUTTON_MIDDLE: b = mbMiddle; return true;
    default: return false;
    }
}

// The character a key produces besides the text input: the control
// characters of Return, Escape, Backspace and Tab, and Ctrl+letter (#1..#26),
// which the desktop's text input does not report.
char ControlChar(const SDL_Keysym& k)
{
    const bool ctrl = (k.mod & KMOD_CTRL) != 0, alt = (k.mod & KMOD_ALT) != 0;
    switch (k.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return '\r';
    case SDLK_ESCAPE: return 27;
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return '\t';
    default: break;
    }
    if (ctrl && !alt && k.sym >= SDLK_a && k.sym <= SDLK_z) return static_cast<char>(1 + (k.sym - SDLK_a));
    return 0;
}

// Text input in UTF-8 to cp1252 characters; characters cp1252 cannot hold are
// dropped (a '?' typed for them would be a wrong character).
std::string TextInputToCp1252(const char* utf8)
{
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p) {
        char32_t cp;
        int len;
        if (*p < 0x80) { cp = *p; len = 1; }
        else if ((*p & 0xE0) == 0xC0) { cp = *p & 0x1Fu; len = 2; }
        else if ((*p & 0xF0) == 0xE0) { cp = *p & 0x0Fu; len = 3; }
        else if ((*p & 0xF8) == 0xF0) { cp = *p & 0x07u; len = 4; }
        else { ++p; continue; }
        bool ok = true;
        for (int i = 1; i < len; ++i) {
            if ((p[i] & 0xC0) != 0x80) { ok = false; len = i; break; }
            cp = (cp << 6) | (p[i] & 0x3Fu);
        }
        p += len;
        if (!ok) continue;
        const int b = UnicodeToCp1252(cp);
        if (b >= 0x20 && b != 0x7F) out.push_back(static_cast<char>(b));
    }
    return out;
}

SDL_SystemCursor SystemCursor(TCursor c)
{
    switch (c) {
    case crCross: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case crIBeam: return SDL_SYSTEM_CURSOR_IBEAM;
    case crSizeWE: return SDL_SYSTEM_CURSOR_SIZEWE;
    case crHourGlass: return SDL_SYSTEM_CURSOR_WAIT;
    case crHandPoint: return SDL_SYSTEM_CURSOR_HAND;
    default: return SDL_SYSTEM_CURSOR_ARROW;
    }
}

int64_t SdlClock() { return static_cast<int64_t>(SDL_GetTicks64()); }

class TSdlHost final : public detail::TEventHost {
public:
    bool Start(const TWindowBackendOptions& o);
    void Stop();

    void Pump() override;
    void Present() override;
    void Wait(int64_t Ms) override;
    bool HasWindows() const override { return !windows_.empty(); }

    const std::string& Error() const noexcept { return error_; }

    // Shows a modal form in its window and runs a nested loop until the
    // form has a modal result, is closed or hidden, or the program ends.
    TModalResult RunModal(TForm& f);
    // Shows a popup menu as borderless boxes at the screen point, sub-menus
    // beside their item, until an item is chosen (it is clicked after the
    // menu closed), a click lands elsewhere or Escape is pressed.
    void RunPopup(TPopupMenu& Menu, int X, int Y);

private:
    struct TMenuBox {
        TMenuItem* parent;
        SDL_Window* window;
        uint32_t id;
        int x, y, w;
        int highlight;
    };
    bool OpenMenuBox(TMenuItem& Parent, int X, int Y);
    void CloseMenuBoxes(size_t From);
    void ShowMenuBox(TMenuBox& b);
    // Handles an event while a popup menu is open; false lets it through.
    bool RouteMenu(const SDL_Event& e);

    struct TWindow {
        TForm* form;
        std::weak_ptr<const bool> alive;
        SDL_Window* window;
        uint32_t id;
        std::string title;
    };

    TWindow* FindWindow(uint32_t id);
    TForm* FormOf(uint32_t id);
    // The form of a window that may receive input now: while a modal form
    // is shown, only that one.
    TForm* InputFormOf(uint32_t id);
    void Route(const SDL_Event& e);
    void RouteWindowEvent(const SDL_WindowEvent& e);
    void Upload(TWindow& w, const std::vector<TRect>& areas);
    void UpdateCursor(TForm& f, int x, int y);
    void ClipboardToDesktop();
    void ClipboardFromDesktop();

    std::vector<TWindow> windows_;
    std::string error_;
    bool pumping_ = false;
    TNotifyEvent chainedClipboardChange_;
    // The desktop text last written or read, so that a desktop clipboard that
    // did not change does not overwrite the program's own.
    std::string lastDesktopText_;
    bool importingClipboard_ = false;
    SDL_Cursor* cursor_ = nullptr;
    TCursor cursorShape_ = crDefault;
    std::vector<TForm*> modal_;
    std::vector<TMenuBox> menus_;
    bool menuDone_ = false;
    TMenuItem* menuChoice_ = nullptr;
};

bool TSdlHost::Start(const TWindowBackendOptions& o)
{
    error_.clear();
    if (!o.VideoDriver.empty()) SDL_SetHint(SDL_HINT_VIDEODRIVER, o.VideoDriver.c_str());
    // Double clicks, key repeat timing and focus are judged by the controls.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // The window surface is copied to the display as it is (no 3-D driver
    // behind it, which a virtual display would emulate slowly).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error_ = std::string("Cannot open a display: ") + SDL_GetError();
        SDL_SetHint(SDL_HINT_VIDEODRIVER, nullptr);
        return false;
    }
    SDL_StartTextInput();
    SDL_EventState(SDL_DROPFILE, SDL_DISABLE);
    SDL_EventState(SDL_DROPTEXT, SDL_DISABLE);
    detail::SetRealClockSource(&SdlClock);
    chainedClipboardChange_ = Clipboard().OnChange;
    Clipboard().OnChange = [this](TObject* Sender) {
        ClipboardToDesktop();
        if (chainedClipboardChange_) chainedClipboardChange_(Sender);
    };
    if (char* t = SDL_GetClipboardText()) {
        lastDesktopText_ = t;
        SDL_free(t);
    }
    detail::SetEventHost(this);
    test::SetModalHandler([this](TForm& f) { return RunModal(f); });
    test::SetPopupHandler([this](TPopupMenu& m, int x, int y) { RunPopup(m, x, y); });
    return true;
}

void TSdlHost::Stop()
{
    test::SetModalHandler(nullptr);
    test::SetPopupHandler(nullptr);
    CloseMenuBoxes(0);
    detail::SetEventHost(nullptr);
    for (TWindow& w : windows_) SDL_DestroyWindow(w.window);
    windows_.clear();
    if (cursor_) SDL_FreeCursor(cursor_);
    cursor_ = nullptr;
    Clipboard().OnChange = chainedClipboardChange_;
    chainedClipboardChange_ = nullptr;
    detail::SetRealClockSource(nullptr);
    SDL_StopTextInput();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
}

TSdlHost::TWindow* TSdlHost::FindWindow(uint32_t id)
{
    for (TWindow& w : windows_)
        if (w.id == id) return &w;
    return nullptr;
}

TForm* TSdlHost::FormOf(uint32_t id)
{
    TWindow* w = FindWindow(id);
    if (!w) return nullptr;
    auto alive = w->alive.lock();
    return alive && *alive ? w->form : nullptr;
}

TForm* TSdlHost::InputFormOf(uint32_t id)
{
    TForm* f = FormOf(id);
    return f && (modal_.empty() || modal_.back() == f) ? f : nullptr;
}

TModalResult TSdlHost::RunModal(TForm& f)
{
    auto token = f.AliveToken();
    modal_.push_back(&f);
    auto open = [&] {
        return *token && f.GetModalResult() == mrNone && f.GetVisible() && !Application->GetTerminated();
    };
    try {
        Application->ProcessMessages();
        while (open()) {
            const int64_t due = detail::NextTimerDue(), now = ClockMs();
            Wait(due < 0 ? 1000 : due - now);
            Application->ProcessMessages();
        }
    } catch (...) {
        modal_.erase(std::remove(modal_.begin(), modal_.end(), &f), modal_.end());
        throw;
    }
    modal_.erase(std::remove(modal_.begin(), modal_.end(), &f), modal_.end());
    // The form's ModalResult answers (a closed form has mrCancel).
    return mrNone;
}

void TSdlHost::RunPopup(TPopupMenu& Menu, int X, int Y)
{
    // One menu at a time; an item's OnClick may pop up another afterwards.
    if (!menus_.empty()) return;
    menuDone_ = false;
    menuChoice_ = nullptr;
    if (!OpenMenuBox(Menu.Items(), X, Y)) return;
    try {
        Application->ProcessMessages();
        while (!menuDone_ && !menus_.empty() && !Application->GetTerminated()) {
            const int64_t due = detail::NextTimerDue(), now = ClockMs();
            Wait(due < 0 ? 1000 : due - now);
            Application->ProcessMessages();
        }
    } catch (...) {
        CloseMenuBoxes(0);
        throw;
    }
    CloseMenuBoxes(0);
    TMenuItem* chosen = menuChoice_;
    menuChoice_ = nullptr;
    if (chosen) chosen->Click();
}

bool TSdlHost::OpenMenuBox(TMenuItem& Parent, int X, int Y)
{
    const TBitmap look = PaintMenuBox(Parent, -1);
    if (look.GetWidth() <= 0 || look.GetHeight() <= 0) return false;
    SDL_Window* w = SDL_CreateWindow("", X, Y, look.GetWidth(), look.GetHeight(),
                                     SDL_WINDOW_BORDERLESS | SDL_WINDOW_POPUP_MENU | SDL_WINDOW_ALWAYS_ON_TOP |
                                         SDL_WINDOW_SHOWN);
    if (!w) return false;
    menus_.push_back({&Parent, w, SDL_GetWindowID(w), X, Y, look.GetWidth(), -1});
    ShowMenuBox(menus_.back());
    return true;
}

void TSdlHost::CloseMenuBoxes(size_t From)
{
    while (menus_.size() > From) {
        SDL_DestroyWindow(menus_.back().window);
        menus_.pop_back();
    }
}

void TSdlHost::ShowMenuBox(TMenuBox& b)
{
    const TBitmap look = PaintMenuBox(*b.parent, b.highlight);
    SDL_Surface* dst = SDL_GetWindowSurface(b.window);
    const TSurface& src = look.Surface();
    if (!dst || !src.Pixels) return;
    SDL_Surface* view = SDL_CreateRGBSurfaceWithFormatFrom(src.Pixels, src.Width, src.Height, 32, src.Stride * 4,
                                                           SDL_PIXELFORMAT_XBGR8888);
    if (!view) return;
    SDL_BlitSurface(view, nullptr, dst, nullptr);
    SDL_FreeSurface(view);
    SDL_UpdateWindowSurface(b.window);
}

bool TSdlHost::RouteMenu(const SDL_Event& e)
{
    auto boxOf = [this](uint32_t id) -> std::ptrdiff_t {
        for (size_t i = 0; i < menus_.size(); ++i)
            if (menus_[i].id == id) return static_cast<std::ptrdiff_t>(i);
        return -1;
    };
    switch (e.type) {
    case SDL_MOUSEMOTION: {
        const std::ptrdiff_t i = boxOf(e.motion.windowID);
        if (i < 0) return false;
        TMenuBox& b = menus_[static_cast<size_t>(i)];
        TMenuItem* item = MenuBoxItemAt(*b.parent, e.motion.x, e.motion.y);
        const int index = item ? b.parent->IndexOf(item) : -1;
        if (index == b.highlight) return true;
        b.highlight = index;
        ShowMenuBox(b);
        // A sub-menu opens beside its row; moving to another row closes it.
        CloseMenuBoxes(static_cast<size_t>(i) + 1);
        if (item && item->GetEnabled() && item->GetCount() > 0) {
            int top = e.motion.y;
            while (top > 0 && MenuBoxItemAt(*b.parent, e.motion.x, top - 1) == item) --top;
            const int x = b.x + b.w - 2, y = b.y + top - 2;
            OpenMenuBox(*item, x, y);
        }
        return true;
    }
    case SDL_MOUSEBUTTONDOWN:
        // A press outside the menu closes it and goes no further.
        if (boxOf(e.button.windowID) < 0) menuDone_ = true;
        return true;
    case SDL_MOUSEBUTTONUP: {
        const std::ptrdiff_t i = boxOf(e.button.windowID);
        if (i < 0) return true;
        TMenuItem* item = MenuBoxItemAt(*menus_[static_cast<size_t>(i)].parent, e.button.x, e.button.y);
        if (item && item->GetEnabled() && !item->IsLine() && item->GetCount() == 0) {
            menuChoice_ = item;
            menuDone_ = true;
        }
        return true;
    }
    case SDL_KEYDOWN:
        if (e.key.keysym.sym == SDLK_ESCAPE) menuDone_ = true;
        return true;
    case SDL_KEYUP:
    case SDL_TEXTINPUT:
    case SDL_MOUSEWHEEL: return true;
    default: return false;
    }
}

void TSdlHost::Pump()
{
    // An event handler may run a nested loop (ProcessMessages inside a
    // handler): the inner loop reads the events that follow.
    if (pumping_) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) Route(e);
        return;
    }
    pumping_ = true;
    try {
        SDL_Event e;
        while (SDL_PollEvent(&e)) Route(e);
    } catch (...) {
        pumping_ = false;
        throw;
    }
    pumping_ = false;
}

void TSdlHost::Route(const SDL_Event& e)
{
    try {
        if (!menus_.empty() && RouteMenu(e)) return;
        switch (e.type) {
        case SDL_QUIT: Application->Terminate(); break;
        case SDL_WINDOWEVENT: RouteWindowEvent(e.window); break;
        case SDL_MOUSEMOTION:
            if (TForm* f = InputFormOf(e.motion.windowID)) {
                HostMouseMove(*f, ShiftOf(static_cast<uint16_t>(SDL_GetModState())), e.motion.x, e.motion.y);
                if (InputFormOf(e.motion.windowID) == f) UpdateCursor(*f, e.motion.x, e.motion.y);
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            TForm* f = InputFormOf(e.button.windowID);
            TMouseButton b;
            if (!f || !ButtonOf(e.button.button, b)) break;
            const TShiftState s = ShiftOf(static_cast<uint16_t>(SDL_GetModState()));
            if (e.type == SDL_MOUSEBUTTONDOWN) {
                // Moves and the release reach the window while a button is
                // held, also outside it.
                SDL_CaptureMouse(SDL_TRUE);
                HostMouseDown(*f, b, s, e.button.x, e.button.y);
            } else {
                if ((SDL_GetMouseState(nullptr, nullptr) & (SDL_BUTTON_LMASK | SDL_BUTTON_MMASK | SDL_BUTTON_RMASK)) == 0)
                    SDL_CaptureMouse(SDL_FALSE);
                HostMouseUp(*f, b, s, e.button.x, e.button.y);
            }
            break;
        }
        case SDL_MOUSEWHEEL:
            if (TForm* f = InputFormOf(e.wheel.windowID)) {
                int x = 0, y = 0;
                SDL_GetMouseState(&x, &y);
                int notches = e.wheel.y;
                if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
                if (notches != 0)
                    HostMouseWheel(*f, ShiftOf(static_cast<uint16_t>(SDL_GetModState())), notches * WHEEL_DELTA, x, y);
            }
            break;
        case SDL_KEYDOWN:
            if (TForm* f = InputFormOf(e.key.windowID)) {
                auto token = f->AliveToken();
                const TShiftState s = ShiftOf(e.key.keysym.mod);
                if (const uint16_t vk = VirtualKey(e.key.keysym)) HostKeyDown(*f, vk, s);
                if (const char ch = ControlChar(e.key.keysym); ch && *token) HostKeyPress(*f, ch);
            }
            break;
        case SDL_KEYUP:
            if (TForm* f = InputFormOf(e.key.windowID))
                if (const uint16_t vk = VirtualKey(e.key.keysym)) HostKeyUp(*f, vk, ShiftOf(e.key.keysym.mod));
            break;
        case SDL_TEXTINPUT:
            if (TForm* f = InputFormOf(e.text.windowID)) {
                auto token = f->AliveToken();
                for (char ch : TextInputToCp1252(e.text.text)) {
                    if (!*token) break;
                    HostKeyPress(*f, ch);
                }
            }
            break;
        case SDL_CLIPBOARDUPDATE: ClipboardFromDesktop(); break;
        default: break;
        }
    } catch (...) {
        Application->HandleException(std::current_exception(), nullptr);
    }
}

void TSdlHost::RouteWindowEvent(const SDL_WindowEvent& e)
{
    TForm* f = FormOf(e.windowID);
    if (!f) return;
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
        // A modal form is cancelled; another form is hidden and its window
        // closes (Present drops it). Under a modal form the others stay.
        if (modal_.empty() || modal_.back() == f) f->Close();
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        f->SetBounds(f->GetLeft(), f->GetTop(), e.data1, e.data2);
        break;
    case SDL_WINDOWEVENT_MOVED:
        f->SetBounds(e.data1, e.data2, f->GetWidth(), f->GetHeight());
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        // The desktop lost the window's pixels: show them all again.
        if (TWindow* w = FindWindow(e.windowID)) Upload(*w, {f->GetClientRect()});
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        // The desktop clipboard may have changed while another program had
        // the focus.
        ClipboardFromDesktop();
        break;
    default: break;
    }
}

void TSdlHost::Present()
{
    // Windows of forms that died or were hidden close.
    for (size_t i = 0; i < windows_.size();) {
        auto alive = windows_[i].alive.lock();
        if (!alive || !*alive || !windows_[i].form->GetVisible()) {
            SDL_DestroyWindow(windows_[i].window);
            windows_.erase(windows_.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    // Visible forms without a window get one.
    for (TForm* f : TForm::Forms()) {
        if (!f->GetVisible() || f->GetWidth() <= 0 || f->GetHeight() <= 0) continue;
        if (std::any_of(windows_.begin(), windows_.end(), [f](const TWindow& w) { return w.form == f; })) continue;
        // The form's pixels must be up to date before they are shown.
        f->PaintPending();
        uint32_t flags = SDL_WINDOW_SHOWN;
        if (f->GetBorderStyle() == bsNone) flags |= SDL_WINDOW_BORDERLESS;
        if (f->GetBorderStyle() == bsSizeable || f->GetBorderStyle() == bsSizeToolWin) flags |= SDL_WINDOW_RESIZABLE;
        const std::string title = Cp1252ToUtf8(f->GetCaption());
        SDL_Window* sw = SDL_CreateWindow(title.c_str(), f->GetLeft(), f->GetTop(), f->GetWidth(), f->GetHeight(), flags);
        if (!sw) {
            Application->HandleException(
                std::make_exception_ptr(Exception(std::string("Cannot open a window: ") + SDL_GetError())), f);
            // The form stays headless; it is not tried again every turn.
            f->SetVisible(false);
            continue;
        }
        windows_.push_back({f, f->AliveToken(), sw, SDL_GetWindowID(sw), title});
        f->TakeDrawnAreas();
        Upload(windows_.back(), {f->GetClientRect()});
    }
    for (TWindow& w : windows_) {
        TForm* f = w.form;
        const std::string title = Cp1252ToUtf8(f->GetCaption());
        if (title != w.title) {
            SDL_SetWindowTitle(w.window, title.c_str());
            w.title = title;
        }
        int ww = 0, wh = 0;
        SDL_GetWindowSize(w.window, &ww, &wh);
        if (ww != f->GetWidth() || wh != f->GetHeight()) {
            SDL_SetWindowSize(w.window, f->GetWidth(), f->GetHeight());
            f->TakeDrawnAreas();
            Upload(w, {f->GetClientRect()});
            continue;
        }
        std::vector<TRect> areas = f->TakeDrawnAreas();
        if (!areas.empty()) Upload(w, areas);
    }
}

void TSdlHost::Upload(TWindow& w, const std::vector<TRect>& areas)
{
    SDL_Surface* dst = SDL_GetWindowSurface(w.window);
    if (!dst) return;
    const TSurface& src = w.form->BackBuffer().Surface();
    if (!src.Pixels) return;
    // The back buffer holds 0x00BBGGRR words; SDL converts to the window's
    // format while it copies.
    SDL_Surface* view = SDL_CreateRGBSurfaceWithFormatFrom(src.Pixels, src.Width, src.Height, 32, src.Stride * 4,
                                                           SDL_PIXELFORMAT_XBGR8888);
    if (!view) return;
    std::vector<SDL_Rect> rects;
    for (const TRect& a : areas) {
        const TRect r = IntersectRect(a, {0, 0, std::min(src.Width, dst->w), std::min(src.Height, dst->h)});
        if (r.IsEmpty()) continue;
        SDL_Rect sr{r.Left, r.Top, r.Width(), r.Height()};
        SDL_Rect dr = sr;
        SDL_BlitSurface(view, &sr, dst, &dr);
        rects.push_back(sr);
    }
    SDL_FreeSurface(view);
    if (!rects.empty()) SDL_UpdateWindowSurfaceRects(w.window, rects.data(), static_cast<int>(rects.size()));
}

void TSdlHost::Wait(int64_t Ms)
{
    if (Ms <= 0) return;
    SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<int64_t>(Ms, 1 << 30)));
}

void TSdlHost::UpdateCursor(TForm& f, int x, int y)
{
    // The screen's cursor wins; otherwise the cursor of the topmost control
    // under the mouse that sets one.
    TCursor shape = Screen->GetCursor();
    if (shape == crDefault) {
        TWinControl* parent = &f;
        TPoint p{x, y};
        for (bool descended = true; descended;) {
            descended = false;
            if (parent->GetCursor() != crDefault) shape = parent->GetCursor();
            for (int i = parent->GetControlCount() - 1; i >= 0; --i) {
                TControl* c = parent->GetControl(i);
                if (!c || !c->GetVisible() || !c->GetBoundsRect().Contains(p.X, p.Y)) continue;
                p = {p.X - c->GetLeft(), p.Y - c->GetTop()};
                if (auto* w = dynamic_cast<TWinControl*>(c)) {
                    parent = w;
                    descended = true;
                } else if (c->GetCursor() != crDefault) {
                    shape = c->GetCursor();
                }
                break;
            }
        }
    }
    if (shape == cursorShape_ && cursor_) return;
    SDL_Cursor* next = SDL_CreateSystemCursor(SystemCursor(shape));
    if (!next) return;
    SDL_SetCursor(next);
    if (cursor_) SDL_FreeCursor(cursor_);
    cursor_ = next;
    cursorShape_ = shape;
}

void TSdlHost::ClipboardToDesktop()
{
    if (importingClipboard_ || !Clipboard().HasFormat(CF_TEXT)) return;
    const std::string utf8 = Cp1252ToUtf8(Clipboard().GetAsText());
    if (SDL_SetClipboardText(utf8.c_str()) == 0) lastDesktopText_ = utf8;
}

void TSdlHost::ClipboardFromDesktop()
{
    if (!SDL_HasClipboardText()) return;
    char* t = SDL_GetClipboardText();
    if (!t) return;
    std::string utf8 = t;
    SDL_free(t);
    if (utf8 == lastDesktopText_) return;
    lastDesktopText_ = utf8;
    importingClipboard_ = true;
    try {
        Clipboard().SetAsText(Utf8ToCp1252(utf8));
    } catch (...) {
        importingClipboard_ = false;
        throw;
    }
    importingClipboard_ = false;
}

// The backend lives until it is stopped; it is never destroyed during static
// destruction, where the forms and the clipboard may already be gone.
TSdlHost* host = nullptr;
std::string lastError;

} // namespace

bool WindowBackendBuiltIn() noexcept { return true; }

bool StartWindowBackend(const TWindowBackendOptions& Options)
{
    if (host) return true;
    auto h = std::make_unique<TSdlHost>();
    if (!h->Start(Options)) {
        lastError = h->Error();
        return false;
    }
    lastError.clear();
    host = h.release();
    return true;
}

void StopWindowBackend()
{
    if (!host) return;
    host->Stop();
    delete host;
    host = nullptr;
}

bool WindowBackendActive() noexcept { return host != nullptr; }

const std::string& WindowBackendError() noexcept { return lastError; }

} // namespace vcl
