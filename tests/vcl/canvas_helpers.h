// A small fixture for pixel-exact canvas tests: a bitmap with a known
// background and a text map of its pixels.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "vcl/Graphics.h"

namespace canvas_test {

// Asymmetric colours, so that a swapped byte order shows.
inline constexpr vcl::TColor kBack = 0x00F0E0D0;
inline constexpr vcl::TColor kInk = 0x00FF0000;   // blue
inline constexpr vcl::TColor kFill = 0x000000FF;  // red

class CanvasFixture : public ::testing::Test {
protected:
    void Init(int w, int h, vcl::TColor back = kBack)
    {
        bmp.SetSize(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) bmp.ScanLine(y)[x] = back;
        c = &bmp.Canvas();
        c->Pen().SetColor(kInk);
        c->Pen().SetStyle(vcl::psSolid);
        c->Pen().SetWidth(1);
        c->Pen().SetMode(vcl::pmCopy);
        c->Brush().SetColor(kFill);
        c->Brush().SetStyle(vcl::bsSolid);
        c->ResetClipRect();
    }
    void SetUp() override { Init(16, 12); }

    // One character per pixel: '.' background, '#' ink, 'o' fill, '?' other.
    std::vector<std::string> Map(std::map<vcl::TColor, char> extra = {}) const
    {
        std::vector<std::string> rows;
        for (int y = 0; y < bmp.GetHeight(); ++y) {
            std::string r;
            for (int x = 0; x < bmp.GetWidth(); ++x) {
                vcl::TColor p = bmp.ScanLine(y)[x];
                auto it = extra.find(p);
                r += it != extra.end() ? it->second : p == kBack ? '.' : p == kInk ? '#' : p == kFill ? 'o' : '?';
            }
            rows.push_back(r);
        }
        return rows;
    }
    int Count(vcl::TColor col) const
    {
        int n = 0;
        for (int y = 0; y < bmp.GetHeight(); ++y)
            for (int x = 0; x < bmp.GetWidth(); ++x) n += bmp.ScanLine(y)[x] == col;
        return n;
    }
    vcl::TColor At(int x, int y) const { return bmp.ScanLine(y)[x]; }

    vcl::TBitmap bmp;
    vcl::TCanvas* c = nullptr;
};

} // namespace canvas_test
