// Prints the colour of window pixels as the X server holds them, one "#rrggbb" line per point,
// so that a test can wait until the program shows what it should: window_pixels WINDOW X Y ...
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: %s WINDOW X Y [X Y ...]\n", argv[0]);
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    const Window window = Window(std::strtoul(argv[1], nullptr, 0));
    for (int i = 2; i + 1 < argc; i += 2) {
        XImage *image = XGetImage(display, window, std::atoi(argv[i]), std::atoi(argv[i + 1]), 1, 1,
                                  AllPlanes, ZPixmap);
        if (!image) {
            std::fprintf(stderr, "cannot read the window at %s %s\n", argv[i], argv[i + 1]);
            return 1;
        }
        const unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        // The 24-bit TrueColor visual of Xvfb and most displays: 8 bits each, red highest.
        std::printf("#%06lx\n", pixel & 0xffffff);
    }
    XCloseDisplay(display);
    return 0;
}
