// Popup menus: a tree of menu items shown at a screen position.
//
// Without a window system a popup is answered by a handler that tests (or a
// window backend) install: it sees the menu and the position and may click
// an item as a user would (TMenuItem::Click). With none installed the menu
// closes at once. Popups are re-entrant: an item's OnClick may pop up a menu
// again, also the same one.
#pragma once

#include "vcl/Classes.h"
#include "vcl/Graphics.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vcl {

// A menu item with sub-items. Items are components (their owner frees
// them); an item also frees the sub-items still attached to it, and an item
// freed on its own leaves its parent item.
class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    // "-" makes the item a separator line. '&' marks the accelerator.
    const std::string& GetCaption() const noexcept { return caption_; }
    void SetCaption(const std::string& v) { caption_ = v; }
    bool IsLine() const noexcept { return caption_ == "-"; }
    bool GetEnabled() const noexcept { return enabled_; }
    void SetEnabled(bool v) noexcept { enabled_ = v; }
    bool GetVisible() const noexcept { return visible_; }
    void SetVisible(bool v) noexcept { visible_ = v; }
    bool GetChecked() const noexcept { return checked_; }
    void SetChecked(bool v) noexcept { checked_ = v; }
    const std::string& GetHint() const noexcept { return hint_; }
    void SetHint(const std::string& v) { hint_ = v; }
    // The picture left of the caption (empty: none). The colour of its
    // bottom-left pixel is transparent.
    TBitmap& Bitmap() noexcept { return *bitmap_; }

    // Sub-items, counted from 0 (nullptr outside the range).
    int GetCount() const noexcept { return static_cast<int>(items_.size()); }
    TMenuItem* GetItem(int Index) const noexcept;
    TMenuItem* GetParent() const noexcept { return parent_; }
    int IndexOf(const TMenuItem* Item) const noexcept;
    // Attaches Item at the end (or before Index); an item attached elsewhere
    // moves. Raises EInvalidOperation for the item itself or one of its
    // parents.
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    // Detaches without freeing.
    void Remove(TMenuItem* Item);
    void Delete(int Index);
    // Frees every sub-item.
    void Clear();
    // The sub-item whose caption (accelerator marks removed) equals ACaption
    // without regard to case; nullptr when none.
    TMenuItem* Find(const std::string& ACaption) const;

    // What a user's choice does: fires OnClick when the item is enabled.
    virtual void Click();

    TNotifyEvent OnClick;

private:
    std::string caption_;
    std::string hint_;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
    std::unique_ptr<TBitmap> bitmap_;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    // The root item; its sub-items are the menu's entries.
    TMenuItem& Items() noexcept { return *items_; }
    // Shows the menu with its top-left at the screen point: OnPopup fires
    // first (handlers enable items there), then the popup handler runs.
    virtual void Popup(int X, int Y);
    TPoint GetPopupPoint() const noexcept { return popupPoint_; }
    // The component the menu was popped up for (stored for handlers).
    TComponent* GetPopupComponent() const noexcept { return popupComponent_; }
    void SetPopupComponent(TComponent* c) noexcept { popupComponent_ = c; }
    bool GetAutoPopup() const noexcept { return autoPopup_; }
    void SetAutoPopup(bool v) noexcept { autoPopup_ = v; }

    TNotifyEvent OnPopup;

protected:
    virtual void DoPopup();

private:
    TMenuItem* items_;
    TPoint popupPoint_{};
    TComponent* popupComponent_ = nullptr;
    bool autoPopup_ = true;
};

// The look of an open menu box listing the visible sub-items of Parent:
// a raised frame, rows with check mark or bitmap, caption, a sub-menu arrow,
// separator lines and greyed disabled items; the row Highlight (an index of
// Parent's sub-items, -1 for none) is drawn selected. Hosts show it; tests
// check it.
TBitmap PaintMenuBox(TMenuItem& Parent, int Highlight = -1);
// The sub-item of Parent under the point (x, y) of that box, or nullptr
// (separators and the frame give nullptr).
TMenuItem* MenuBoxItemAt(TMenuItem& Parent, int X, int Y);

namespace test {
// Answers TPopupMenu::Popup. It may click an item (also of a sub-menu).
using TPopupHandler = std::function<void(TPopupMenu& Menu, int X, int Y)>;
void SetPopupHandler(TPopupHandler Handler);
} // namespace test

} // namespace vcl
