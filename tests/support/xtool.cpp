// Small X requests of the end-to-end tests that xdotool does not make.
//
//   xtool grab X Y W H            one PPM (P6) of the screen region on stdout,
//                                 far faster than a whole-screen capture
//   xtool burst X Y W H SECONDS   PPMs of the region, back to back on stdout,
//                                 grabbed as fast as the server allows for the
//                                 given time; a frame equal to the one before is
//                                 left out
//   xtool close WINDOW            asks a top-level window to close, as a window
//                                 manager's close box does (WM_DELETE_WINDOW)
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool Grab(Display* display, int x, int y, int w, int h, std::vector<unsigned char>& rgb)
{
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (image == nullptr)
        return false;
    rgb.resize(static_cast<std::size_t>(w) * h * 3);
    const unsigned long redMask = image->red_mask;
    const unsigned long greenMask = image->green_mask;
    const unsigned long blueMask = image->blue_mask;
    auto channel = [](unsigned long pixel, unsigned long mask) {
        int shift = 0;
        while (mask != 0 && (mask & 1u) == 0) {
            mask >>= 1;
            ++shift;
        }
        const unsigned long value = (pixel >> shift) & mask;
        return static_cast<unsigned char>(mask == 0xFF ? value : value * 255 / (mask == 0 ? 1 : mask));
    };
    std::size_t k = 0;
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            const unsigned long pixel = XGetPixel(image, col, row);
            rgb[k++] = channel(pixel, redMask);
            rgb[k++] = channel(pixel, greenMask);
            rgb[k++] = channel(pixel, blueMask);
        }
    }
    XDestroyImage(image);
    return true;
}

void WritePpm(int w, int h, const std::vector<unsigned char>& rgb)
{
    std::printf("P6\n%d %d\n255\n", w, h);
    std::fwrite(rgb.data(), 1, rgb.size(), stdout);
}

bool RequestClose(Display* display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, window, False, NoEventMask, &event) != 0;
    XFlush(display);
    return sent;
}

int Usage()
{
    std::fprintf(stderr, "usage: xtool grab X Y W H | xtool burst X Y W H SECONDS | xtool close WINDOW\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    const bool burst = command == "burst" && argc == 7;
    const bool grab = command == "grab" && argc == 6;
    const bool close = command == "close" && argc == 3;
    if (!burst && !grab && !close)
        return Usage();
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "xtool: cannot open the display\n");
        return 1;
    }
    if (close) {
        const bool sent = RequestClose(display, static_cast<Window>(std::strtoul(argv[2], nullptr, 0)));
        XCloseDisplay(display);
        return sent ? 0 : 1;
    }
    const int x = std::atoi(argv[2]);
    const int y = std::atoi(argv[3]);
    const int w = std::atoi(argv[4]);
    const int h = std::atoi(argv[5]);
    std::vector<unsigned char> rgb;
    int status = 0;
    if (grab) {
        if (Grab(display, x, y, w, h, rgb))
            WritePpm(w, h, rgb);
        else
            status = 1;
    } else {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(std::atof(argv[6]));
        std::vector<unsigned char> last;
        while (std::chrono::steady_clock::now() < end) {
            if (!Grab(display, x, y, w, h, rgb)) {
                status = 1;
                break;
            }
            if (rgb != last) {
                WritePpm(w, h, rgb);
                last = rgb;
            }
        }
    }
    std::fflush(stdout);
    XCloseDisplay(display);
    return status;
}
