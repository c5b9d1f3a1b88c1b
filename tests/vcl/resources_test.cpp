// Resources embedded at build time from tests/vcl/resources/.
#include <gtest/gtest.h>

#include <string>

#include "vcl/Graphics.h"
#include "vcl/Resources.h"

namespace vcltest {
const vcl::TResourceTable& TestResources();
}

using namespace vcl;

TEST(Resources, FilesBecomeNamedBlobs)
{
    const TResourceTable& t = vcltest::TestResources();
    ASSERT_EQ(t.Count, 2u);
    const TResourceEntry* hello = t.Find("hello");
    ASSERT_NE(hello, nullptr);
    EXPECT_STREQ(hello->Name, "HELLO");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(hello->Data), hello->Size), "Hello, resources\n");
    EXPECT_EQ(t.Find("TINY"), t.Find("Tiny"));
    EXPECT_EQ(t.Find("TIN"), nullptr);
    EXPECT_EQ(t.Find(""), nullptr);
    EXPECT_THROW(t.Get("MISSING"), EResNotFound);
}

TEST(Resources, BitmapsLoadByNameAndUnknownNamesRaise)
{
    TBitmap b;
    b.LoadFromResourceName(vcltest::TestResources(), "tiny");
    ASSERT_EQ(b.GetWidth(), 3);
    ASSERT_EQ(b.GetHeight(), 2);
    EXPECT_EQ(b.GetPixelFormat(), pf24bit);
    EXPECT_EQ(b.ScanLine(0)[0], 0x0000FFu); // red
    EXPECT_EQ(b.ScanLine(0)[2], 0xFF0000u); // blue
    EXPECT_EQ(b.ScanLine(1)[1], 0x3264C8u); // (200, 100, 50)
    try {
        b.LoadFromResourceName(vcltest::TestResources(), "NOPE");
        FAIL();
    } catch (const EResNotFound& e) {
        EXPECT_NE(std::string(e.what()).find("NOPE"), std::string::npos);
    }
    EXPECT_EQ(b.GetWidth(), 3);
    // A resource that is not a bitmap raises the image error.
    EXPECT_THROW(b.LoadFromResourceName(vcltest::TestResources(), "HELLO"), EInvalidGraphic);
}
