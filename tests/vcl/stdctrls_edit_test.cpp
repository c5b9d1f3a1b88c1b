// Edit field, memo and label: typing, editing keys, selection, clipboard,
// limits, change notification, focus, and their pixels.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vcl/Clipboard.h"
#include "vcl/Fonts.h"
#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"
#include "vcl/TestHooks.h"

using namespace vcl;

namespace {

// A form with an edit field, on the fixed 7-pixel test font.
struct EditFixture : ::testing::Test {
    std::unique_ptr<TForm> form;
    TEdit* edit = nullptr;
    int changes = 0;
    void SetUp() override
    {
        SetForceFixedFont(true);
        SetForceMonochromeText(true);
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 240, 120);
        edit = new TEdit(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(10, 10, 120, 22);
        edit->OnChange = [this](TObject*) { ++changes; };
        Clipboard().Clear();
    }
    void TearDown() override
    {
        form.reset();
        SetForceFixedFont(false);
        SetForceMonochromeText(false);
    }
    // A key as the keyboard sends it: down, its character if it has one, up.
    void Press(uint16_t key, TShiftState shift = {})
    {
        test::KeyDown(*edit, key, shift);
        if (key == VK_BACK) test::KeyPress(*edit, '\b');
        test::KeyUp(*edit, key, shift);
    }
    TColor Pixel(int x, int y) { return form->BackBuffer().ScanLine(y)[x]; }
};

TEST_F(EditFixture, TypingInsertsAtTheCaretAndNotifiesEveryChange)
{
    test::SetFocus(*edit);
    test::TypeText(*edit, "Hallo");
    EXPECT_EQ(edit->GetText(), "Hallo");
    EXPECT_EQ(edit->GetSelStart(), 5);
    EXPECT_EQ(changes, 5);
    EXPECT_TRUE(edit->GetModified());
    Press(VK_HOME);
    test::TypeText(*edit, ">");
    EXPECT_EQ(edit->GetText(), ">Hallo");
    EXPECT_EQ(edit->GetSelStart(), 1);
}

struct KeyCase {
    const char* name;
    const char* text;
    int selStart, selLength;
    std::vector<std::pair<uint16_t, TShiftState>> keys;
    const char* expText;
    int expSelStart, expSelLength;
};

TEST_F(EditFixture, EditingKeys)
{
    const TShiftState shift{ssShift};
    const std::vector<KeyCase> cases = {
        {"left", "abcd", 2, 0, {{VK_LEFT, {}}}, "abcd", 1, 0},
        {"left at start stays", "abcd", 0, 0, {{VK_LEFT, {}}}, "abcd", 0, 0},
        {"right at end stays", "abcd", 4, 0, {{VK_RIGHT, {}}}, "abcd", 4, 0},
        {"left collapses a selection to its start", "abcd", 1, 2, {{VK_LEFT, {}}}, "abcd", 1, 0},
        {"right collapses a selection to its end", "abcd", 1, 2, {{VK_RIGHT, {}}}, "abcd", 3, 0},
        {"home and end", "abcd", 2, 0, {{VK_END, {}}, {VK_HOME, {}}}, "abcd", 0, 0},
        {"shift+left selects backwards", "abcd", 3, 0, {{VK_LEFT, shift}, {VK_LEFT, shift}}, "abcd", 1, 2},
        {"shift+end selects to the end", "abcd", 1, 0, {{VK_END, shift}}, "abcd", 1, 3},
        {"shift+home from the middle", "abcd", 3, 0, {{VK_HOME, shift}}, "abcd", 0, 3},
        {"backspace deletes before the caret", "abcd", 2, 0, {{VK_BACK, {}}}, "acd", 1, 0},
        {"backspace at the start does nothing", "abcd", 0, 0, {{VK_BACK, {}}}, "abcd", 0, 0},
        {"backspace deletes the selection", "abcd", 1, 2, {{VK_BACK, {}}}, "ad", 1, 0},
        {"delete deletes after the caret", "abcd", 2, 0, {{VK_DELETE, {}}}, "abd", 2, 0},
        {"delete at the end does nothing", "abcd", 4, 0, {{VK_DELETE, {}}}, "abcd", 4, 0},
        {"delete deletes the selection", "abcd", 0, 3, {{VK_DELETE, {}}}, "d", 0, 0},
        {"shift-selection then delete", "abcd", 4, 0, {{VK_LEFT, shift}, {VK_LEFT, shift}, {VK_DELETE, {}}}, "ab", 2, 0},
    };
    test::SetFocus(*edit);
    for (const KeyCase& k : cases) {
        SCOPED_TRACE(k.name);
        edit->SetText(k.text);
        edit->SetSelStart(k.selStart);
        edit->SetSelLength(k.selLength);
        for (auto [key, sh] : k.keys) Press(key, sh);
        EXPECT_EQ(edit->GetText(), k.expText);
        EXPECT_EQ(edit->GetSelStart(), k.expSelStart);
        EXPECT_EQ(edit->GetSelLength(), k.expSelLength);
    }
}

TEST_F(EditFixture, TypingReplacesTheSelection)
{
    edit->SetText("one two");
    test::SetFocus(*edit); // AutoSelect selects everything
    EXPECT_EQ(edit->GetSelLength(), 7);
    test::TypeText(*edit, "x");
    EXPECT_EQ(edit->GetText(), "x");
}

TEST_F(EditFixture, MaxLengthLimitsTypingAndPastingButNotTheProgram)
{
    edit->SetMaxLength(4);
    test::SetFocus(*edit);
    test::TypeText(*edit, "abcdef");
    EXPECT_EQ(edit->GetText(), "abcd");
    Press(VK_HOME);
    Clipboard().SetAsText("XYZ");
    Press('V', {ssCtrl});
    EXPECT_EQ(edit->GetText(), "abcd");
    Press(VK_DELETE);
    Press(VK_DELETE);
    Press('V', {ssCtrl});
    EXPECT_EQ(edit->GetText(), "XYcd"); // only the room left is taken
    edit->SetText("longer than four");
    EXPECT_EQ(edit->GetText(), "longer than four");
}

TEST_F(EditFixture, ReadOnlyRefusesEditsButAllowsMovingAndCopying)
{
    edit->SetText("fixed");
    edit->SetReadOnly(true);
    test::SetFocus(*edit);
    changes = 0;
    Press(VK_END);
    test::TypeText(*edit, "z");
    Press(VK_BACK);
    Press(VK_HOME, {ssShift});
    Press(VK_DELETE);
    Press('X', {ssCtrl});
    EXPECT_EQ(edit->GetText(), "fixed");
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(Clipboard().HasFormat(CF_TEXT));
    Press('C', {ssCtrl});
    EXPECT_EQ(Clipboard().GetAsText(), "fixed");
}

TEST_F(EditFixture, ClipboardCutCopyPaste)
{
    edit->SetText("Hello world");
    test::SetFocus(*edit);
    edit->SetSelStart(6);
    edit->SetSelLength(5);
    Press('C', {ssCtrl});
    EXPECT_EQ(Clipboard().GetAsText(), "world");
    Press('X', {ssCtrl});
    EXPECT_EQ(edit->GetText(), "Hello ");
    Press(VK_HOME);
    Press('V', {ssCtrl});
    EXPECT_EQ(edit->GetText(), "worldHello ");
    EXPECT_EQ(edit->GetSelStart(), 5);
    // The older keys: Shift+Delete cuts, Ctrl+Insert copies, Shift+Insert pastes.
    Press(VK_HOME, {ssShift});
    Press(VK_DELETE, {ssShift});
    EXPECT_EQ(edit->GetText(), "Hello ");
    Press(VK_END);
    Press(45, {ssShift});
    EXPECT_EQ(edit->GetText(), "Hello world");
    Press(VK_HOME, {ssShift});
    Press(45, {ssCtrl});
    Clipboard().SetAsText("x");
    Press(45, {ssCtrl});
    EXPECT_EQ(Clipboard().GetAsText(), "Hello world");
    edit->SetText("worldHello ");
    edit->SetSelStart(5);
    // A paste into a single-line field stops at the first line end.
    Clipboard().SetAsText("a\r\nb");
    Press(VK_END);
    Press('V', {ssCtrl});
    EXPECT_EQ(edit->GetText(), "worldHello a");
}

TEST_F(EditFixture, PasswordCharHidesTheTextOnScreenAndFromTheClipboard)
{
    edit->SetPasswordChar('*');
    edit->SetText("secret");
    test::SetFocus(*edit);
    edit->SetSelStart(0);
    edit->SetSelLength(6);
    Press('C', {ssCtrl});
    Press('X', {ssCtrl});
    EXPECT_FALSE(Clipboard().HasFormat(CF_TEXT));
    EXPECT_EQ(edit->GetText(), "secret");
    // Block glyphs: every shown character is the same '*' block, so the
    // picture equals that of a field holding "******".
    SetFixedFontBlockGlyphs(true);
    edit->SetSelLength(0);
    TBitmap a = test::RenderToBitmap(*edit);
    edit->SetPasswordChar(0);
    edit->SetText("******");
    TBitmap b = test::RenderToBitmap(*edit);
    SetFixedFontBlockGlyphs(false);
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x) ASSERT_EQ(a.ScanLine(y)[x], b.ScanLine(y)[x]) << x << "," << y;
}

TEST_F(EditFixture, KeyPressHandlersMayChangeOrSwallowCharacters)
{
    edit->OnKeyPress = [](TObject*, char& ch) {
        if (ch == 'a') ch = 'A';
        if (ch == '-') ch = 0;
    };
    test::SetFocus(*edit);
    test::TypeText(*edit, "a-b");
    EXPECT_EQ(edit->GetText(), "Ab");
    // A key-down handler that zeroes the key stops the editing key.
    edit->OnKeyDown = [](TObject*, uint16_t& key, TShiftState) {
        if (key == VK_HOME) key = 0;
    };
    Press(VK_HOME);
    EXPECT_EQ(edit->GetSelStart(), 2);
}

TEST_F(EditFixture, ChangeHandlerMayWriteTheTextBack)
{
    // A digits-only field that puts back the last valid text, as a numeric
    // field built on the edit does.
    std::string lastValid;
    edit->OnChange = [&](TObject*) {
        ++changes;
        const std::string t = edit->GetText();
        if (t.find_first_not_of("0123456789") != std::string::npos) {
            const int caret = edit->GetSelStart();
            edit->SetText(lastValid);
            edit->SetSelStart(caret - 1);
        } else {
            lastValid = t;
        }
    };
    test::SetFocus(*edit);
    test::TypeText(*edit, "12x3");
    EXPECT_EQ(edit->GetText(), "123");
    EXPECT_EQ(edit->GetSelStart(), 3);
    changes = 0;
    edit->SetText("77"); // programmatic writes notify too, also unchanged ones
    edit->SetText("77");
    EXPECT_EQ(changes, 2);
}

TEST_F(EditFixture, MouseSetsTheCaretSelectsByDraggingAndWordsByDoubleClick)
{
    edit->SetText("alpha beta");
    // The text starts 4 pixels in; characters are 7 pixels wide.
    test::Click(*edit, 4 + 7 * 2 + 1, 8);
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(edit->GetSelStart(), 2);
    EXPECT_EQ(edit->GetSelLength(), 0);
    test::Advance(1000);
    test::MouseDown(*edit, 4 + 7 * 1, 8);
    test::MouseMove(*edit, 4 + 7 * 4, 8);
    test::MouseUp(*edit, 4 + 7 * 4, 8);
    EXPECT_EQ(edit->GetSelStart(), 1);
    EXPECT_EQ(edit->GetSelLength(), 3);
    test::Advance(1000);
    test::DblClick(*edit, 4 + 7 * 7 + 2, 8);
    EXPECT_EQ(edit->GetSelText(), "beta");
}

TEST_F(EditFixture, AutoSelectOnFocusByTab)
{
    auto* other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 50, 100, 22);
    edit->SetText("all of it");
    test::SetFocus(*other);
    test::KeyDown(*other, VK_TAB);
    ASSERT_TRUE(edit->Focused());
    EXPECT_EQ(edit->GetSelLength(), 9);
    // Without AutoSelect the caret stays where it was.
    edit->SetAutoSelect(false);
    edit->SetSelStart(3);
    test::KeyDown(*edit, VK_TAB);
    test::KeyDown(*other, VK_TAB);
    ASSERT_TRUE(edit->Focused());
    EXPECT_EQ(edit->GetSelStart(), 3);
    EXPECT_EQ(edit->GetSelLength(), 0);
}

TEST_F(EditFixture, PaintsFrameTextSelectionAndCaret)
{
    SetFixedFontBlockGlyphs(true);
    edit->SetText("ab");
    form->PaintPending();
    // Frame: shadow outside top-left, highlight outside bottom-right, white field.
    const TColor shadow = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight),
                 window = ColorToRGB(clWindow), text = ColorToRGB(clWindowText);
    EXPECT_EQ(Pixel(10, 10), shadow);
    EXPECT_EQ(Pixel(10 + 119, 10 + 21), light);
    EXPECT_EQ(Pixel(10 + 60, 10 + 10), window);
    // Text area starts at x 4, vertically centred: (22 - 2*2 - 2 - 14) / 2 + 3 = 4.
    const int tx = 10 + 4, ty = 10 + 3 + (22 - 6 - 14) / 2;
    EXPECT_EQ(Pixel(tx + 2, ty + 5), text); // inside the first block glyph
    // Focused with "b" selected: highlight behind, highlight-text glyph.
    test::SetFocus(*edit);
    edit->SetSelStart(1);
    edit->SetSelLength(1);
    form->PaintPending();
    EXPECT_EQ(Pixel(tx + 7 + 6, ty + 5), ColorToRGB(clHighlight)); // right of the glyph's block
    EXPECT_EQ(Pixel(tx + 7 + 2, ty + 5), ColorToRGB(clHighlightText));
    // The caret: a line at the caret's x after moving to the end.
    test::KeyDown(*edit, VK_END);
    form->PaintPending();
    EXPECT_EQ(Pixel(tx + 14, ty + 1), text);
    EXPECT_EQ(Pixel(tx + 15, ty + 1), window);
    // Losing the focus hides selection and caret.
    edit->SetSelStart(0);
    edit->SetSelLength(2);
    form->SetActiveControl(nullptr);
    form->PaintPending();
    EXPECT_EQ(Pixel(tx + 6, ty + 5), window);
    SetFixedFontBlockGlyphs(false);
}

TEST_F(EditFixture, LongTextScrollsToKeepTheCaretVisible)
{
    SetFixedFontBlockGlyphs(true);
    test::SetFocus(*edit);
    test::TypeText(*edit, std::string(30, 'w')); // 210 pixels in a 112-pixel area
    EXPECT_LT(edit->CharPosToX(30), edit->GetWidth() - 2);
    EXPECT_GE(edit->CharPosToX(30), 4);
    test::KeyDown(*edit, VK_HOME);
    EXPECT_EQ(edit->CharPosToX(0), 4);
    SetFixedFontBlockGlyphs(false);
}

TEST_F(EditFixture, DisabledFieldTakesNoInput)
{
    edit->SetText("x");
    edit->SetEnabled(false);
    test::Click(*edit, 20, 8);
    EXPECT_FALSE(edit->Focused());
    EXPECT_THROW(test::SetFocus(*edit), EInvalidOperation);
}

// ---------------------------------------------------------------------------
// Memo

struct MemoFixture : EditFixture {
    TMemo* memo = nullptr;
    void SetUp() override
    {
        EditFixture::SetUp();
        memo = new TMemo(form.get());
        memo->SetParent(form.get());
        memo->SetBounds(10, 40, 150, 70);
    }
    void MemoKey(uint16_t key, TShiftState shift = {})
    {
        test::KeyDown(*memo, key, shift);
        test::KeyUp(*memo, key, shift);
    }
};

TEST_F(MemoFixture, EnterBreaksLinesAndLinesFollowTheText)
{
    test::SetFocus(*memo);
    test::TypeText(*memo, "one\rtwo");
    EXPECT_EQ(memo->GetText(), "one\r\ntwo");
    ASSERT_EQ(memo->Lines().GetCount(), 2);
    EXPECT_EQ(memo->Lines().Get(1), "two");
    memo->Lines().Add("three");
    EXPECT_EQ(memo->GetText(), "one\r\ntwo\r\nthree");
    memo->Lines().Set(0, "ONE");
    EXPECT_EQ(memo->GetText(), "ONE\r\ntwo\r\nthree");
}

TEST_F(MemoFixture, ArrowsMoveBetweenLinesAndBackspaceJoinsThem)
{
    memo->SetText("abc\r\nde\r\nfghij");
    test::SetFocus(*memo);
    memo->SetSelStart(2); // after "ab"
    MemoKey(VK_DOWN);     // "de" is shorter: end of that line
    EXPECT_EQ(memo->CaretPosOf(memo->GetSelStart()).Y, 1);
    EXPECT_EQ(memo->GetSelStart(), 7);
    MemoKey(VK_DOWN);
    EXPECT_EQ(memo->GetSelStart(), 11);
    MemoKey(VK_HOME);
    EXPECT_EQ(memo->GetSelStart(), 9);
    test::KeyDown(*memo, VK_BACK);
    test::KeyPress(*memo, '\b'); // removes the whole line break
    EXPECT_EQ(memo->GetText(), "abc\r\ndefghij");
    MemoKey(VK_RIGHT, {ssShift});
    MemoKey(VK_UP, {ssShift}); // from column 3 of line 1 to column 3 of line 0
    EXPECT_EQ(memo->GetSelStart(), 3);
    EXPECT_EQ(memo->GetSelLength(), 4);
}

TEST_F(MemoFixture, EnterCanBeInterceptedInKeyPress)
{
    std::string stored;
    memo->OnKeyPress = [&](TObject*, char& ch) {
        if (ch == '\r') {
            stored = memo->GetText();
            ch = 0;
        }
    };
    test::SetFocus(*memo);
    test::TypeText(*memo, "note\r");
    EXPECT_EQ(stored, "note");
    EXPECT_EQ(memo->GetText(), "note");
}

// ---------------------------------------------------------------------------
// Label

TEST_F(EditFixture, LabelAutoSizeAlignmentAndAccelerator)
{
    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetBounds(100, 60, 10, 10);
    label->SetCaption("&File");
    EXPECT_EQ(label->GetWidth(), 4 * 7); // the '&' is not shown
    EXPECT_EQ(label->GetHeight(), 14);
    label->SetShowAccelChar(false);
    EXPECT_EQ(label->GetWidth(), 5 * 7);
    // Right-justified labels keep their right edge when they grow.
    label->SetAlignment(taRightJustify);
    const int right = label->GetLeft() + label->GetWidth();
    label->SetCaption("Longer text");
    EXPECT_EQ(label->GetLeft() + label->GetWidth(), right);
    // Word wrap keeps the width and grows downwards.
    label->SetAutoSize(false);
    label->SetWidth(40);
    label->SetWordWrap(true);
    label->SetAutoSize(true);
    EXPECT_EQ(label->GetWidth(), 40);
    EXPECT_EQ(label->GetHeight(), 28);
}

TEST_F(EditFixture, LabelPixelsOpaqueTransparentAndAligned)
{
    SetFixedFontBlockGlyphs(true);
    auto* label = new TLabel(nullptr);
    std::unique_ptr<TLabel> owner(label);
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 30, 16);
    label->SetCaption("a");
    label->SetColor(clYellow);
    TBitmap bmp = test::RenderToBitmap(*label);
    EXPECT_EQ(bmp.ScanLine(12)[20], clYellow);
    EXPECT_EQ(bmp.ScanLine(5)[2], ColorToRGB(clWindowText));
    label->SetTransparent(true);
    bmp = test::RenderToBitmap(*label);
    EXPECT_EQ(bmp.ScanLine(12)[20], test::kCheckerB); // the host's checkerboard shows
    label->SetAlignment(taRightJustify);
    label->SetLayout(tlBottom);
    bmp = test::RenderToBitmap(*label);
    EXPECT_EQ(bmp.ScanLine(2 + 5)[30 - 7 + 2], ColorToRGB(clWindowText));
    EXPECT_NE(bmp.ScanLine(5)[2], ColorToRGB(clWindowText));
    SetFixedFontBlockGlyphs(false);
}

} // namespace
