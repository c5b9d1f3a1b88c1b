// Date/time picker: formats, stepping fields with the arrows, typing digits,
// mouse, change notification and the focused field's look.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "vcl/ComCtrls.h"
#include "vcl/Fonts.h"
#include "vcl/Forms.h"
#include "vcl/TestHooks.h"

using namespace vcl;

namespace {

struct PickerFixture : ::testing::Test {
    std::unique_ptr<TForm> form;
    TDateTimePicker* picker = nullptr;
    int changes = 0;
    void SetUp() override
    {
        SetForceFixedFont(true);
        SetForceMonochromeText(true);
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 300, 100);
        picker = new TDateTimePicker(form.get());
        picker->SetParent(form.get());
        picker->SetBounds(10, 10, 200, 22);
        picker->SetDateTime(EncodeDate(2024, 1, 31) + EncodeTime(14, 7, 9, 0));
        picker->OnChange = [this](TObject*) { ++changes; };
    }
    void TearDown() override
    {
        form.reset();
        SetForceFixedFont(false);
        SetForceMonochromeText(false);
    }
    void Key(uint16_t k) { test::KeyDown(*picker, k); }
};

TEST(PickerFormat, FormatsWithTheFormatLetters)
{
    const TDateTime v = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0);
    const TDateTime morning = EncodeDate(2009, 11, 25) + EncodeTime(0, 30, 0, 0);
    struct Case {
        const char* format;
        TDateTime value;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"yyyy-MM-dd", v, "2024-03-05"},
        {"d.M.yy", v, "5.3.24"},
        {"y", morning, "9"},
        {"dddd, d MMMM yyyy", v, "Tuesday, 5 March 2024"},
        {"ddd MMM", v, "Tue Mar"},
        {"HH:mm:ss", v, "14:07:09"},
        {"H:m:s", v, "14:7:9"},
        {"hh:mm tt", v, "02:07 PM"},
        {"h:mm t", morning, "12:30 A"},
        {"'Day' d 'o''clock'", v, "Day 5 o'clock"},
        {"dd/MM/yyyy", morning, "25/11/2009"},
    };
    for (const Case& c : cases) EXPECT_EQ(TDateTimePicker::FormatValue(c.format, c.value), c.expected) << c.format;
}

TEST_F(PickerFixture, DefaultFormatsAndFields)
{
    EXPECT_EQ(picker->GetText(), "2024-01-31");
    EXPECT_EQ(picker->GetFieldCount(), 3);
    picker->SetKind(dtkTime);
    EXPECT_EQ(picker->GetText(), "14:07:09");
    picker->SetFormat("dddd d MMM, HH 'h'");
    EXPECT_EQ(picker->GetFieldCount(), 3); // the weekday is shown, not edited
    EXPECT_EQ(picker->FieldLetter(0), 'd');
    EXPECT_EQ(picker->FieldLetter(1), 'M');
    EXPECT_EQ(picker->FieldLetter(2), 'H');
    EXPECT_EQ(picker->FieldLetter(3), 0);
}

TEST_F(PickerFixture, ArrowsStepTheFocusedFieldWithWrapping)
{
    picker->SetFormat("yyyy-MM-dd HH:mm:ss tt");
    test::SetFocus(*picker);
    struct Step {
        std::vector<uint16_t> keys;
        const char* expected;
    };
    // Starting at 2024-01-31 14:07:09, year field focused.
    const std::vector<Step> steps = {
        {{VK_RIGHT, VK_RIGHT, VK_UP}, "2024-01-01 14:07:09 PM"},    // day wraps in its month
        {{VK_DOWN}, "2024-01-31 14:07:09 PM"},
        {{VK_LEFT, VK_UP}, "2024-02-29 14:07:09 PM"},               // a new month clamps the day
        {{VK_DOWN, VK_DOWN}, "2024-12-29 14:07:09 PM"},             // month wraps
        {{VK_LEFT, VK_UP}, "2025-12-29 14:07:09 PM"},
        {{VK_END, VK_UP}, "2025-12-29 02:07:09 AM"},                // am/pm toggles
        {{VK_LEFT, VK_DOWN, VK_DOWN, VK_DOWN}, "2025-12-29 02:07:06 AM"},
        {{VK_LEFT, VK_LEFT, VK_DOWN, VK_DOWN, VK_DOWN}, "2025-12-29 23:07:06 PM"}, // hour wraps
        {{VK_HOME}, "2025-12-29 23:07:06 PM"},
    };
    int expectedChanges = 0;
    for (const Step& s : steps) {
        for (uint16_t k : s.keys) {
            Key(k);
            if (k == VK_UP || k == VK_DOWN) ++expectedChanges;
        }
        EXPECT_EQ(picker->GetText(), s.expected);
    }
    EXPECT_EQ(changes, expectedChanges);
    EXPECT_EQ(picker->GetFocusedField(), 0);
    Key(VK_LEFT); // stays at the first field
    EXPECT_EQ(picker->GetFocusedField(), 0);
}

TEST_F(PickerFixture, YearsStopAtTheEndsOfTheRange)
{
    picker->SetDateTime(EncodeDate(9999, 6, 1));
    test::SetFocus(*picker);
    Key(VK_UP);
    EXPECT_EQ(picker->GetText(), "9999-06-01");
    EXPECT_EQ(changes, 0);
    picker->SetDateTime(EncodeDate(1, 6, 1));
    Key(VK_DOWN);
    EXPECT_EQ(picker->GetText(), "0001-06-01");
}

TEST_F(PickerFixture, ValuesBeforeTheEpochKeepTheirTime)
{
    picker->SetKind(dtkTime);
    picker->SetFormat("yyyy-MM-dd HH:mm");
    picker->SetDateTime(-1.25); // 1899-12-29 06:00
    EXPECT_EQ(picker->GetText(), "1899-12-29 06:00");
    test::SetFocus(*picker);
    picker->SetFocusedField(3);
    Key(VK_UP);
    EXPECT_EQ(picker->GetText(), "1899-12-29 07:00");
    EXPECT_LT(picker->GetDateTime(), -1.0);
}

TEST_F(PickerFixture, ProgrammaticWritesAreQuietAndBadValuesIgnored)
{
    const TDateTime before = picker->GetDateTime();
    picker->SetDateTime(std::nan(""));
    picker->SetDateTime(INFINITY);
    picker->SetDateTime(1e9);
    EXPECT_EQ(picker->GetDateTime(), before);
    picker->SetDate(EncodeDate(2000, 1, 1));
    EXPECT_EQ(picker->GetText(), "2000-01-01");
    EXPECT_NEAR(picker->GetTime(), EncodeTime(14, 7, 9, 0), 1e-9);
    picker->SetTime(0.5);
    EXPECT_DOUBLE_EQ(picker->GetDateTime(), EncodeDate(2000, 1, 1) + 0.5);
    EXPECT_EQ(changes, 0);
}

TEST_F(PickerFixture, TypingDigits)
{
    picker->SetFormat("dd.MM.yyyy");
    test::SetFocus(*picker);
    test::TypeText(*picker, "15"); // day 15, then on to the month
    EXPECT_EQ(picker->GetText(), "15.01.2024");
    EXPECT_EQ(picker->GetFocusedField(), 1);
    test::TypeText(*picker, "34"); // 3, then 34 is no month: starts again with 4
    EXPECT_EQ(picker->GetText(), "15.04.2024");
    EXPECT_EQ(picker->GetFocusedField(), 1);
    test::TypeText(*picker, "1"); // 41 is no month either: 1
    EXPECT_EQ(picker->GetText(), "15.01.2024");
    test::TypeText(*picker, "2");
    EXPECT_EQ(picker->GetText(), "15.12.2024");
    EXPECT_EQ(picker->GetFocusedField(), 2);
    test::TypeText(*picker, "203"); // a year takes effect with its fourth digit
    EXPECT_EQ(picker->GetText(), "15.12.2024");
    test::TypeText(*picker, "1");
    EXPECT_EQ(picker->GetText(), "15.12.2031");
}

TEST_F(PickerFixture, MouseChoosesTheFieldAndSpinsTheTime)
{
    // "2024-01-31": the text starts at x 4 with 7-pixel characters.
    test::Click(*picker, 4 + 7 * 6, 10);
    EXPECT_TRUE(picker->Focused());
    EXPECT_EQ(picker->GetFocusedField(), 1);
    test::Advance(1000);
    test::Click(*picker, 4 + 7 * 4 + 3, 10); // the "-" belongs to the field before it
    EXPECT_EQ(picker->GetFocusedField(), 0);
    picker->SetKind(dtkTime);
    picker->SetFocusedField(1);
    test::Advance(1000);
    test::Click(*picker, 200 - 8, 4); // upper half of the spin button
    EXPECT_EQ(picker->GetText(), "14:08:09");
    test::Advance(1000);
    test::Click(*picker, 200 - 8, 18);
    test::Advance(1000);
    test::Click(*picker, 200 - 8, 18);
    EXPECT_EQ(picker->GetText(), "14:06:09");
    EXPECT_EQ(changes, 3);
}

TEST_F(PickerFixture, FocusedFieldIsHighlighted)
{
    SetFixedFontBlockGlyphs(true);
    test::SetFocus(*picker);
    picker->SetFocusedField(2);
    form->PaintPending();
    const TSurface& s = form->BackBuffer().Surface();
    const int ty = 10 + 2 + (22 - 4 - 14) / 2;
    const int dayX = 10 + 4 + 7 * 8;
    EXPECT_EQ(s.Row(ty + 5)[dayX + 6], ColorToRGB(clHighlight));
    EXPECT_EQ(s.Row(ty + 5)[dayX + 2], ColorToRGB(clHighlightText));
    EXPECT_EQ(s.Row(ty + 5)[10 + 4 + 6], ColorToRGB(clWindow)); // the year is not highlighted
    EXPECT_EQ(s.Row(ty + 5)[10 + 4 + 2], ColorToRGB(clWindowText));
    SetFixedFontBlockGlyphs(false);
}

} // namespace
