// Controls: parent chain, geometry, paint cycle, focus and messages.
#include "vcl/Controls.h"

#include "vcl/Forms.h"
#include "vcl/Menus.h"
#include "vcl/Timers.h"
#include "vcl/internal/Dispatch.h"

#include <algorithm>
#include <utility>

namespace vcl {

namespace {

// Process-wide lists live until the end of the process, so that objects
// destroyed during static destruction still find them.
std::vector<TForm*>& FormList()
{
    static auto* forms = new std::vector<TForm*>;
    return *forms;
}

TRect Offset(TRect r, int32_t dx, int32_t dy)
{
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

TRect UnionRect(const TRect& a, const TRect& b)
{
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

bool Intersects(const TRect& a, const TRect& b) { return !IntersectRect(a, b).IsEmpty(); }

bool ContainsRect(const TRect& outer, const TRect& inner)
{
    return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
           inner.Bottom <= outer.Bottom;
}

} // namespace

// Calls an event on a copy of the handler, so that a handler that destroys
// the control (and with it the event member) still returns safely.
template <typename F, typename... A>
static void Fire(const F& f, A&&... args)
{
    if (!f) return;
    F copy = f;
    copy(std::forward<A>(args)...);
}

// ---------------------------------------------------------------------------
// Deferred release.

namespace detail {
int& DispatchDepth()
{
    static int depth = 0;
    return depth;
}
std::vector<std::pair<TControl*, std::weak_ptr<const bool>>>& ReleaseList()
{
    static auto* list = new std::vector<std::pair<TControl*, std::weak_ptr<const bool>>>;
    return *list;
}
void FreeReleased()
{
    if (DispatchDepth() > 0) return;
    auto list = std::move(ReleaseList());
    ReleaseList().clear();
    for (auto& [c, token] : list) {
        auto alive = token.lock();
        if (alive && *alive) delete c;
    }
}
} // namespace detail

using detail::DispatchScope;

// ---------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), font_(std::make_unique<TFont>()), alive_(std::make_shared<bool>(true))
{
    font_->OnChange = [this](TObject*) { FontOnChange(); };
}

void TControl::SetPopupMenu(TPopupMenu* Menu)
{
    if (Menu == popupMenu_) return;
    if (popupMenu_) RemoveFreeNotification(popupMenu_);
    popupMenu_ = Menu;
    if (Menu) FreeNotification(Menu);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == popupMenu_) popupMenu_ = nullptr;
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled)
{
    if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
    if (Handled) return;
    for (TControl* c = this; c; c = c->parent_) {
        TPopupMenu* menu = c->popupMenu_;
        if (!menu) continue;
        if (!menu->GetAutoPopup()) return;
        Handled = true;
        menu->SetPopupComponent(c);
        const TPoint p = ClientToScreen(MousePos);
        menu->Popup(p.X, p.Y);
        return;
    }
}

void TControl::LeaveForm(TForm& f, bool Destroying) noexcept
{
    // Forget every reference the form holds to this control or a child.
    auto within = [this](TControl* c) {
        for (TControl* p = c; p; p = p->parent_)
            if (p == this) return true;
        return false;
    };
    if (f.active_ && within(f.active_)) f.active_ = nullptr;
    if (f.capture_ && within(f.capture_)) {
        f.capture_ = nullptr;
        f.buttons_ = 0;
    }
    if (f.hover_ && within(f.hover_)) f.hover_ = nullptr;
    if (f.lastPress_ && within(f.lastPress_)) f.lastPress_ = nullptr;
    // A control moved elsewhere during its own paint is still alive and
    // finishes that paint; a destroyed one must not be named any more.
    if (Destroying && f.painting_ && within(f.painting_)) f.painting_ = nullptr;
}

TControl::~TControl()
{
    *alive_ = false;
    if (TForm* f = GetParentForm()) {
        if (f != this) {
            if (visible_ && parent_) Invalidate();
            LeaveForm(*f, true);
        }
    }
    if (parent_) {
        auto& v = parent_->controls_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        // The dynamic type is already TControl here: compare plain pointers.
        auto& t = parent_->tabList_;
        t.erase(std::remove_if(t.begin(), t.end(), [this](TWinControl* w) { return static_cast<void*>(w) == this; }),
                t.end());
        TWinControl* p = parent_;
        parent_ = nullptr;
        if (align_ != alNone) p->Realign();
    }
    font_->OnChange = nullptr;
}

void TControl::SetParent(TWinControl* AParent)
{
    if (AParent == parent_) return;
    for (TControl* p = AParent; p; p = p->parent_)
        if (p == this) throw EInvalidOperation("A control cannot be its own parent");
    if (parent_) {
        if (visible_) Invalidate();
        if (TForm* f = GetParentForm()) LeaveForm(*f, false);
        auto& v = parent_->controls_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        if (IsWindowed()) {
            auto& t = parent_->tabList_;
            t.erase(std::remove(t.begin(), t.end(), static_cast<TWinControl*>(this)), t.end());
        }
        TWinControl* old = parent_;
        parent_ = nullptr;
        if (align_ != alNone) old->Realign();
    }
    parent_ = AParent;
    if (parent_) {
        parent_->controls_.push_back(this);
        if (IsWindowed()) parent_->tabList_.push_back(static_cast<TWinControl*>(this));
        if (parentFont_) ParentFontChanged();
        if (parentColor_) ParentColorChanged();
        if (align_ != alNone) parent_->Realign();
        if (visible_) Invalidate();
    }
}

void TControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight)
{
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
    const bool resized = AWidth != width_ || AHeight != height_;
    const int32_t oldClientWidth = resized && IsWindowed() ? GetClientWidth() : 0;
    const int32_t oldClientHeight = resized && IsWindowed() ? GetClientHeight() : 0;
    if (visible_) Invalidate();
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
    if (visible_) Invalidate();
    if (parent_ && align_ != alNone && !parent_->aligning_) parent_->Realign();
    if (resized) {
        if (IsWindowed()) {
            auto* self = static_cast<TWinControl*>(this);
            if (!GetComponentState().Loading)
                self->AnchorChildren(GetClientWidth() - oldClientWidth, GetClientHeight() - oldClientHeight);
            self->Realign();
        }
        Resize();
    }
}

TPoint TControl::ClientToScreen(TPoint p) const
{
    for (const TControl* c = this; c; c = c->parent_) {
        p.X += c->left_;
        p.Y += c->top_;
    }
    return p;
}

TPoint TControl::ScreenToClient(TPoint p) const
{
    const TPoint o = ClientToScreen({0, 0});
    return {p.X - o.X, p.Y - o.Y};
}

void TControl::SetAlign(TAlign a)
{
    if (a == align_) return;
    align_ = a;
    if (parent_) parent_->Realign();
}

void TControl::SetVisible(bool v)
{
    if (v == visible_) return;
    if (!v) Invalidate();
    visible_ = v;
    if (v) Invalidate();
    if (!v) {
        if (TForm* f = GetParentForm(); f && f != this && f->active_) {
            for (TControl* p = f->active_; p; p = p->parent_)
                if (p == this) {
                    f->SetActiveControl(nullptr);
                    break;
                }
        }
    }
    if (parent_ && align_ != alNone) parent_->Realign();
    Perform(CM_VISIBLECHANGED, v ? 1 : 0);
}

bool TControl::Showing() const
{
    for (const TControl* c = this; c; c = c->parent_) {
        if (!c->visible_) return false;
        if (!c->parent_) return dynamic_cast<const TForm*>(c) != nullptr;
    }
    return false;
}

void TControl::SetEnabled(bool v)
{
    if (v == enabled_) return;
    enabled_ = v;
    if (!v) {
        if (TForm* f = GetParentForm(); f && f != this && f->active_) {
            for (TControl* p = f->active_; p; p = p->parent_)
                if (p == this) {
                    f->SetActiveControl(nullptr);
                    break;
                }
        }
    }
    Perform(CM_ENABLEDCHANGED);
    Invalidate();
}

bool TControl::IsEnabledInChain() const
{
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->enabled_) return false;
    return true;
}

void TControl::SetParentFont(bool v)
{
    if (v == parentFont_) return;
    parentFont_ = v;
    if (v) ParentFontChanged();
}

void TControl::FontOnChange()
{
    // A change by the program (not by following the parent) ends ParentFont.
    if (!settingParentFont_) parentFont_ = false;
    FontChanged();
}

void TControl::FontChanged()
{
    Perform(CM_FONTCHANGED);
    Invalidate();
    if (IsWindowed()) {
        TMessage m{CM_PARENTFONTCHANGED, 0, 0, 0};
        auto* w = static_cast<TWinControl*>(this);
        for (TControl* c : std::vector<TControl*>(w->controls_)) c->WndProc(m);
    }
}

void TControl::ParentFontChanged()
{
    if (!parentFont_ || !parent_) return;
    settingParentFont_ = true;
    try {
        font_->Assign(&parent_->Font());
    } catch (...) {
        settingParentFont_ = false;
        throw;
    }
    settingParentFont_ = false;
}

void TControl::SetColor(TColor c)
{
    if (c == color_) {
        parentColor_ = false;
        return;
    }
    color_ = c;
    parentColor_ = false;
    Perform(CM_COLORCHANGED);
    Invalidate();
    if (IsWindowed()) {
        TMessage m{CM_PARENTCOLORCHANGED, 0, 0, 0};
        for (TControl* ch : std::vector<TControl*>(static_cast<TWinControl*>(this)->controls_)) ch->WndProc(m);
    }
}

void TControl::SetParentColor(bool v)
{
    if (v == parentColor_) return;
    parentColor_ = v;
    if (v) ParentColorChanged();
}

void TControl::ParentColorChanged()
{
    if (!parentColor_ || !parent_) return;
    SetColor(parent_->color_);
    parentColor_ = true;
}

void TControl::SetTransparent(bool v)
{
    if (v == transparent_) return;
    transparent_ = v;
    Invalidate();
}

TForm* TControl::GetParentForm() const
{
    const TControl* c = this;
    while (c->parent_) c = c->parent_;
    return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

TRect TControl::FormRect() const
{
    int32_t x = 0, y = 0;
    for (const TControl* c = this; c->parent_; c = c->parent_) {
        x += c->left_;
        y += c->top_;
    }
    return {x, y, x + width_, y + height_};
}

TRect TControl::VisibleFormRect() const
{
    TRect r = FormRect();
    for (const TControl* p = parent_; p; p = p->parent_) {
        const TRect pr = p->FormRect();
        r = IntersectRect(r, {pr.Left, pr.Top, pr.Left + p->GetClientWidth(), pr.Top + p->GetClientHeight()});
    }
    if (r.IsEmpty()) return {};
    return r;
}

void TControl::PrepareCanvas(const TRect& clipForm)
{
    if (!canvas_) canvas_ = std::make_unique<TCanvas>();
    TForm* f = GetParentForm();
    TSurface s;
    if (f && Showing()) {
        const TRect full = FormRect();
        const TRect vis = IntersectRect(VisibleFormRect(), clipForm);
        const TSurface& fs = f->buffer_.Surface();
        // The surface view starts at the control's top-left, so drawing
        // coordinates are the control's own; a control cut at its left or top
        // edge cannot be viewed that way and draws nothing here.
        if (!vis.IsEmpty() && full.Left >= 0 && full.Top >= 0 && full.Left < fs.Width && full.Top < fs.Height) {
            s.Pixels = fs.Row(full.Top) + full.Left;
            s.Stride = fs.Stride;
            s.Width = std::min(full.Right, fs.Width) - full.Left;
            s.Height = std::min(full.Bottom, fs.Height) - full.Top;
            canvas_->SetSurface(s);
            canvas_->SetClipRect(Offset(vis, -full.Left, -full.Top));
            canvas_->Font().Assign(font_.get());
            return;
        }
    }
    canvas_->SetSurface(s);
}

TCanvas& TControl::Canvas()
{
    // Inside a paint cycle the canvas is already clipped to the dirty area.
    TForm* f = GetParentForm();
    if (canvas_ && f && f->painting_ == this) return *canvas_;
    PrepareCanvas(TRect{INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2});
    // Drawing outside the paint cycle changes the screen too.
    if (f && canvas_->GetSurface().Pixels) f->AddDrawn(VisibleFormRect());
    return *canvas_;
}

void TControl::Invalidate()
{
    ++invalidateCount_;
    TForm* f = GetParentForm();
    if (!f) return;
    // A change made while the control paints does not paint it again.
    if (f->painting_ == this) return;
    if (f == this) {
        f->AddDirty(f->GetClientRect());
        return;
    }
    if (!Showing()) {
        // Hiding: the area the control covered must be repainted.
        if (parent_ && parent_->Showing()) {
            const TRect r = IntersectRect(FormRect(), parent_->VisibleFormRect());
            if (!r.IsEmpty()) f->AddDirty(r);
        }
        return;
    }
    const TRect r = VisibleFormRect();
    if (!r.IsEmpty()) f->AddDirty(r);
}

void TControl::Update()
{
    if (TForm* f = GetParentForm()) f->PaintPending();
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

intptr_t TControl::Perform(uint32_t Msg, uintptr_t WParam, intptr_t LParam)
{
    TMessage m{Msg, WParam, LParam, 0};
    DispatchScope scope;
    WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_PARENTFONTCHANGED: ParentFontChanged(); break;
    case CM_PARENTCOLORCHANGED: ParentColorChanged(); break;
    default: DefaultHandler(Message); break;
    }
}

void TControl::Release()
{
    detail::ReleaseList().emplace_back(this, alive_);
}

void TControl::Click() { Fire(OnClick, this); }
void TControl::DblClick() { Fire(OnDblClick, this); }
void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    Fire(OnMouseDown, this, Button, Shift, X, Y);
}
void TControl::MouseMove(TShiftState Shift, int X, int Y) { Fire(OnMouseMove, this, Shift, X, Y); }
void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    Fire(OnMouseUp, this, Button, Shift, X, Y);
}
bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    bool handled = false;
    Fire(OnMouseWheel, this, Shift, WheelDelta, MousePos, handled);
    return handled;
}
void TControl::MouseEnter() { Fire(OnMouseEnter, this); }
void TControl::MouseLeave() { Fire(OnMouseLeave, this); }
void TControl::Resize() { Fire(OnResize, this); }

void TControl::PaintSelf() { Paint(); }

// ---------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl()
{
    // Children that are not owned by anyone else leave the parent; owned
    // children die with their owner.
    for (TControl* c : std::vector<TControl*>(controls_)) c->parent_ = nullptr;
    controls_.clear();
    tabList_.clear();
}

TControl* TWinControl::GetControl(int Index) const noexcept
{
    if (Index < 0 || Index >= GetControlCount()) return nullptr;
    return controls_[static_cast<size_t>(Index)];
}

void TWinControl::Broadcast(TMessage& Message)
{
    DispatchScope scope;
    std::vector<std::pair<TControl*, std::shared_ptr<const bool>>> list;
    for (TControl* c : controls_) list.emplace_back(c, c->AliveToken());
    for (auto& [c, alive] : list) {
        if (!*alive) continue;
        c->WndProc(Message);
        if (Message.Result != 0) return;
    }
}

void TWinControl::AnchorChildren(int32_t DeltaWidth, int32_t DeltaHeight)
{
    if (DeltaWidth == 0 && DeltaHeight == 0) return;
    // One axis: the new position and size from the two anchors of that axis.
    // Sums are taken in 64 bits and saturated, so huge sizes cannot wrap.
    auto axis = [](int32_t pos, int32_t size, int32_t delta, bool near, bool far) {
        auto clamp = [](int64_t v) {
            return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
        };
        if (near && far) return std::pair{pos, std::max(clamp(int64_t{size} + delta), 0)};
        if (far) return std::pair{clamp(int64_t{pos} + delta), size};
        if (!near) return std::pair{clamp(int64_t{pos} + delta / 2), size};
        return std::pair{pos, size};
    };
    // A copy: a child's handler may reorder or remove the children.
    const std::vector<TControl*> children = controls_;
    for (TControl* c : children) {
        if (c->align_ != alNone) continue;
        if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) continue;
        const TAnchors a = c->anchors_;
        const auto [x, w] = axis(c->left_, c->width_, DeltaWidth, a.Contains(akLeft), a.Contains(akRight));
        const auto [y, h] = axis(c->top_, c->height_, DeltaHeight, a.Contains(akTop), a.Contains(akBottom));
        c->SetBounds(x, y, w, h);
    }
}

void TWinControl::Realign()
{
    if (aligning_) return;
    aligning_ = true;
    TRect area = GetClientRect();
    auto place = [&](TAlign which) {
        for (TControl* c : controls_) {
            if (c->align_ != which || !c->visible_) continue;
            switch (which) {
            case alTop:
                c->SetBounds(area.Left, area.Top, area.Width(), c->height_);
                area.Top += c->height_;
                break;
            case alBottom:
                c->SetBounds(area.Left, area.Bottom - c->height_, area.Width(), c->height_);
                area.Bottom -= c->height_;
                break;
            case alLeft:
                c->SetBounds(area.Left, area.Top, c->width_, std::max(area.Height(), 0));
                area.Left += c->width_;
                break;
            case alRight:
                c->SetBounds(area.Right - c->width_, area.Top, c->width_, std::max(area.Height(), 0));
                area.Right -= c->width_;
                break;
            case alClient:
                c->SetBounds(area.Left, area.Top, std::max(area.Width(), 0), std::max(area.Height(), 0));
                break;
            default: break;
            }
        }
    };
    try {
        for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) place(a);
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
}

int TWinControl::GetTabOrder() const
{
    if (!GetParent()) return -1;
    const auto& t = GetParent()->tabList_;
    auto it = std::find(t.begin(), t.end(), this);
    return it == t.end() ? -1 : static_cast<int>(it - t.begin());
}

void TWinControl::SetTabOrder(int v)
{
    if (!GetParent()) return;
    auto& t = GetParent()->tabList_;
    auto it = std::find(t.begin(), t.end(), this);
    if (it == t.end()) return;
    t.erase(it);
    v = std::clamp(v, 0, static_cast<int>(t.size()));
    t.insert(t.begin() + v, this);
}

bool TWinControl::CanFocus() const
{
    return Showing() && IsEnabledInChain() && GetParentForm() != nullptr;
}

bool TWinControl::Focused() const
{
    TForm* f = GetParentForm();
    return f && f->active_ == this;
}

void TWinControl::SetFocus()
{
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    TForm* f = GetParentForm();
    if (f == this) return;
    f->SetActiveControl(this);
}

void TWinControl::PaintSelf()
{
    TCanvas& c = *canvas_;
    if (!GetTransparent()) {
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(GetColor());
        c.FillRect(GetClientRect());
    }
    Paint();
}

void TWinControl::KeyDown(uint16_t& Key, TShiftState Shift) { Fire(OnKeyDown, this, Key, Shift); }
void TWinControl::KeyUp(uint16_t& Key, TShiftState Shift) { Fire(OnKeyUp, this, Key, Shift); }
void TWinControl::KeyPress(char& Key) { Fire(OnKeyPress, this, Key); }
void TWinControl::DoEnter() { Fire(OnEnter, this); }
void TWinControl::DoExit() { Fire(OnExit, this); }

// ---------------------------------------------------------------------------
// TForm

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner)
{
    FormList().push_back(this);
    SetBounds(0, 0, 320, 240);
    SetParentFont(false);
}

TForm::~TForm()
{
    auto& v = FormList();
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    // Owned children are deleted by the component destructor after this
    // one; make sure they no longer reach the form's state.
    active_ = nullptr;
    capture_ = nullptr;
    hover_ = lastPress_ = painting_ = nullptr;
    for (TControl* c : std::vector<TControl*>(controls_)) c->parent_ = nullptr;
    controls_.clear();
    tabList_.clear();
}

const std::vector<TForm*>& TForm::Forms() { return FormList(); }

void TForm::SetParent(TWinControl* AParent)
{
    if (AParent) throw EInvalidOperation("A form cannot be placed on a parent");
}

void TForm::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight)
{
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (AWidth != buffer_.GetWidth() || AHeight != buffer_.GetHeight()) {
        buffer_.SetSize(AWidth, AHeight);
        dirty_.clear();
        dirty_.push_back({0, 0, AWidth, AHeight});
    }
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TForm::SetActiveControl(TWinControl* c)
{
    if (c == active_) return;
    if (c && (c->GetParentForm() != this || c == this)) return;
    DispatchScope scope;
    TWinControl* old = active_;
    active_ = c;
    if (old) {
        auto token = old->AliveToken();
        old->DoExit();
        if (*token) old->Invalidate();
    }
    // An OnExit handler may have moved the focus elsewhere already.
    if (c && active_ == c) {
        auto token = c->AliveToken();
        c->DoEnter();
        if (*token) c->Invalidate();
    }
}

void TForm::SelectNext(bool Forward)
{
    // The focusable controls in tab order, depth first.
    std::vector<TWinControl*> order;
    std::function<void(TWinControl*)> collect = [&](TWinControl* w) {
        for (TWinControl* c : w->tabList_) {
            order.push_back(c);
            collect(c);
        }
    };
    collect(this);
    std::vector<TWinControl*> candidates;
    for (TWinControl* c : order)
        if (c == active_ || (c->tabStop_ && c->CanFocus())) candidates.push_back(c);
    if (candidates.empty()) return;
    auto it = std::find(candidates.begin(), candidates.end(), active_);
    const auto n = static_cast<std::ptrdiff_t>(candidates.size());
    std::ptrdiff_t i = it == candidates.end() ? (Forward ? -1 : 0) : it - candidates.begin();
    for (std::ptrdiff_t step = 0; step < n; ++step) {
        i = Forward ? (i + 1) % n : (i - 1 + n) % n;
        TWinControl* c = candidates[static_cast<size_t>(i)];
        if (c != active_ && c->tabStop_ && c->CanFocus()) {
            SetActiveControl(c);
            return;
        }
    }
}

void TForm::AddDirty(const TRect& r0)
{
    TRect r = IntersectRect(r0, GetClientRect());
    if (r.IsEmpty()) return;
    // Merge with every rectangle it meets, until none is left to merge.
    bool merged = true;
    while (merged) {
        merged = false;
        for (size_t i = 0; i < dirty_.size(); ++i) {
            if (Intersects(dirty_[i], r) || ContainsRect(dirty_[i], r)) {
                r = UnionRect(r, dirty_[i]);
                dirty_.erase(dirty_.begin() + static_cast<std::ptrdiff_t>(i));
                merged = true;
                break;
            }
        }
    }
    dirty_.push_back(r);
}

void TForm::AddDrawn(const TRect& r0)
{
    const TRect r = IntersectRect(r0, GetClientRect());
    if (r.IsEmpty()) return;
    for (TRect& d : drawn_)
        if (Intersects(d, r) || ContainsRect(d, r)) {
            d = UnionRect(d, r);
            return;
        }
    // A few separate areas are copied one by one; beyond that, as one.
    constexpr size_t kMaxDrawnAreas = 16;
    if (drawn_.size() < kMaxDrawnAreas) {
        drawn_.push_back(r);
        return;
    }
    TRect all = r;
    for (const TRect& d : drawn_) all = UnionRect(all, d);
    drawn_.assign(1, all);
}

std::vector<TRect> TForm::TakeDrawnAreas()
{
    std::vector<TRect> out;
    out.swap(drawn_);
    return out;
}

void TForm::PaintPending()
{
    if (painting_) return; // no nested paint flushes
    DispatchScope scope;
    auto token = AliveToken();
    while (!dirty_.empty() && *token) {
        const TRect r = dirty_.front();
        dirty_.erase(dirty_.begin());
        if (Showing()) {
            PaintArea(r);
            AddDrawn(r);
        }
    }
}

void TForm::PaintArea(const TRect& area)
{
    // Start at the deepest opaque windowed control that covers the whole
    // area with nothing above it; the parents need not paint under it.
    TControl* start = this;
    for (;;) {
        auto* w = dynamic_cast<TWinControl*>(start);
        if (!w) break;
        TControl* next = nullptr;
        // Topmost first: windowed children lie above graphic ones.
        std::vector<TControl*> stack;
        for (TControl* c : w->controls_)
            if (!c->IsWindowed()) stack.push_back(c);
        for (TControl* c : w->controls_)
            if (c->IsWindowed()) stack.push_back(c);
        for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
            TControl* c = *it;
            if (!c->visible_) continue;
            const TRect vr = c->VisibleFormRect();
            if (!Intersects(vr, area)) continue;
            if (ContainsRect(vr, area) && !c->transparent_ && (c->IsWindowed() || c->opaque_)) next = c;
            break; // the topmost control meeting the area decides
        }
        if (!next) break;
        start = next;
    }
    PaintTree(start, area);
}

void TForm::PaintTree(TControl* c, const TRect& area)
{
    if (!c->visible_) return;
    const TRect vis = IntersectRect(c->VisibleFormRect(), area);
    if (c == this ? area.IsEmpty() : vis.IsEmpty()) return;
    auto token = c->AliveToken();
    const TRect full = c->FormRect();
    // A control reaching past the form's left or top edge cannot view the
    // back buffer with its own origin: it paints on a scratch bitmap that
    // holds the pixels under it, and the visible part is copied back.
    std::unique_ptr<TBitmap> scratch;
    if (c != this && (full.Left < 0 || full.Top < 0)) {
        scratch = std::make_unique<TBitmap>(full.Width(), full.Height());
        const TSurface& fs = buffer_.Surface();
        for (int32_t y = vis.Top; y < vis.Bottom; ++y)
            for (int32_t x = vis.Left; x < vis.Right; ++x)
                scratch->ScanLine(y - full.Top)[x - full.Left] = fs.Row(y)[x];
        if (!c->canvas_) c->canvas_ = std::make_unique<TCanvas>();
        c->canvas_->SetSurface(scratch->Surface());
        c->canvas_->SetClipRect(Offset(vis, -full.Left, -full.Top));
        c->canvas_->Font().Assign(c->font_.get());
    } else {
        c->PrepareCanvas(c == this ? area : vis);
    }
    TControl* saved = painting_;
    painting_ = c;
    ++c->paintCount_;
    try {
        c->PaintSelf();
    } catch (...) {
        painting_ = saved;
        Application->HandleException(std::current_exception(), c);
    }
    painting_ = saved;
    if (!*token) return;
    if (scratch) {
        c->canvas_->SetSurface(TSurface{});
        const TSurface& fs = buffer_.Surface();
        for (int32_t y = vis.Top; y < vis.Bottom; ++y)
            for (int32_t x = vis.Left; x < vis.Right; ++x)
                fs.Row(y)[x] = scratch->ScanLine(y - full.Top)[x - full.Left];
    }
    auto* w = dynamic_cast<TWinControl*>(c);
    if (!w) return;
    // Only the children that meet the area paint; the others are passed
    // over before any bookkeeping, so that a small area on a crowded form
    // costs little.
    std::vector<std::pair<TControl*, std::shared_ptr<const bool>>> order;
    auto meets = [&area](const TControl* ch) {
        return ch->visible_ && Intersects(ch->VisibleFormRect(), area);
    };
    for (TControl* ch : w->controls_)
        if (!ch->IsWindowed() && meets(ch)) order.emplace_back(ch, ch->AliveToken());
    for (TControl* ch : w->controls_)
        if (ch->IsWindowed() && meets(ch)) order.emplace_back(ch, ch->AliveToken());
    for (auto& [ch, alive] : order)
        if (*alive && *token && ch->parent_ == w) PaintTree(ch, area);
}

} // namespace vcl
