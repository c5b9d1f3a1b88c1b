// Takes a picture of a window through the X server, as the user sees it.
//
//   xshot WINDOW_ID|root OUT.png [X Y W H]...
//
// Writes the window's pixels as PNG and prints, for each rectangle given (in
// window coordinates), the number of dark pixels (each channel below 100):
// "dark N".
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "vcl/Graphics.h"

int main(int argc, char** argv)
{
    if (argc < 3 || (argc - 3) % 4 != 0) {
        std::fprintf(stderr, "usage: xshot WINDOW_ID OUT.png [X Y W H]...\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "xshot: no X display\n");
        return 2;
    }
    const Window w = std::string(argv[1]) == "root" ? DefaultRootWindow(d)
                                                    : static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) {
        std::fprintf(stderr, "xshot: no window %s\n", argv[1]);
        return 2;
    }
    XImage* img = XGetImage(d, w, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height), AllPlanes,
                            ZPixmap);
    if (!img) {
        std::fprintf(stderr, "xshot: cannot read the window\n");
        return 2;
    }
    vcl::TBitmap bmp(a.width, a.height);
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const unsigned long p = XGetPixel(img, x, y);
            const uint32_t r = (p & img->red_mask) >> __builtin_ctzl(img->red_mask);
            const uint32_t g = (p & img->green_mask) >> __builtin_ctzl(img->green_mask);
            const uint32_t b = (p & img->blue_mask) >> __builtin_ctzl(img->blue_mask);
            bmp.ScanLine(y)[x] = r | (g << 8) | (b << 16);
        }
    XDestroyImage(img);
    XCloseDisplay(d);
    bmp.SavePNG(argv[2]);
    for (int i = 3; i + 3 < argc; i += 4) {
        const int x0 = std::atoi(argv[i]), y0 = std::atoi(argv[i + 1]);
        const int x1 = x0 + std::atoi(argv[i + 2]), y1 = y0 + std::atoi(argv[i + 3]);
        int dark = 0;
        for (int y = std::max(y0, 0); y < std::min(y1, a.height); ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, a.width); ++x) {
                const uint32_t p = bmp.ScanLine(y)[x];
                if ((p & 0xFF) < 100 && ((p >> 8) & 0xFF) < 100 && ((p >> 16) & 0xFF) < 100) ++dark;
            }
        std::printf("dark %d\n", dark);
    }
    return 0;
}
