// The in-process clipboard: text and bitmaps replace each other.
#include <gtest/gtest.h>

#include "vcl/Clipboard.h"
#include "vcl/Graphics.h"

using namespace vcl;

TEST(Clipboard, TextAndBitmapsReplaceEachOther)
{
    TClipboard& cb = Clipboard();
    int changes = 0;
    cb.OnChange = [&](TObject* s) {
        EXPECT_EQ(s, &cb);
        ++changes;
    };
    cb.SetText("a\tb\r\nM\xE4rz");
    EXPECT_TRUE(cb.HasFormat(CF_TEXT));
    EXPECT_FALSE(cb.HasFormat(CF_BITMAP));
    EXPECT_EQ(cb.AsText(), "a\tb\r\nM\xE4rz");
    TBitmap b(2, 1);
    b.ScanLine(0)[1] = 0x00FF0000;
    cb.Assign(&b);
    b.ScanLine(0)[1] = 0;
    EXPECT_FALSE(cb.HasFormat(CF_TEXT));
    EXPECT_EQ(cb.AsText(), "");
    ASSERT_TRUE(cb.HasFormat(CF_BITMAP));
    TBitmap out;
    out.Assign(&cb);
    EXPECT_EQ(out.ScanLine(0)[1], 0x00FF0000u);
    EXPECT_EQ(cb.GetBitmap()->GetWidth(), 2);
    cb.SetText("");
    EXPECT_TRUE(cb.HasFormat(CF_TEXT)); // empty text is still text
    EXPECT_EQ(cb.GetBitmap(), nullptr);
    EXPECT_THROW(out.Assign(&cb), EConvertError);
    cb.Clear();
    EXPECT_FALSE(cb.HasFormat(CF_TEXT));
    EXPECT_FALSE(cb.HasFormat(99));
    EXPECT_EQ(changes, 4);
    cb.OnChange = nullptr;
}
