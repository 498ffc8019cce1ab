// Preloaded into a windowed program (LD_PRELOAD) by bench/first_frame/first_frame.py: notes
// when the program first maps a window and when the first frame painted into it is flushed
// to the X server, in milliseconds since FRAME_CLOCK_T0 (CLOCK_MONOTONIC nanoseconds taken
// just before the launch), writes both to FRAME_CLOCK_OUT and, with FRAME_CLOCK_EXIT=1,
// ends the program there (FRAME_CLOCK_SHOT=file.png: after a picture of the screen). Qt paints a window into its
// backing store and flushes it with one of the image requests below, then xcb_flush().
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

double mapped = -1;
bool imageSent = false;
bool done = false;

double sinceLaunch()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const char* t0 = std::getenv("FRAME_CLOCK_T0");
    const double start = t0 ? std::strtod(t0, nullptr) : 0;
    return (static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec) - start) / 1e6;
}

// The real function: the next one in the global scope, else the one in the library Qt's
// platform plugin loaded locally (libxcb-shm).
template <class F> F next(const char* name, const char* library = nullptr)
{
    if (void* found = dlsym(RTLD_NEXT, name))
        return reinterpret_cast<F>(found);
    void* handle = library ? dlopen(library, RTLD_NOW | RTLD_NOLOAD) : nullptr;
    return reinterpret_cast<F>(handle ? dlsym(handle, name) : nullptr);
}

void noteImage()
{
    if (mapped >= 0)
        imageSent = true;
}

} // namespace

extern "C" {

xcb_void_cookie_t xcb_map_window(xcb_connection_t* c, xcb_window_t window)
{
    if (mapped < 0)
        mapped = sinceLaunch();
    static auto real = next<xcb_void_cookie_t (*)(xcb_connection_t*, xcb_window_t)>("xcb_map_window");
    return real(c, window);
}

xcb_void_cookie_t xcb_put_image(xcb_connection_t* c, uint8_t format, xcb_drawable_t drawable, xcb_gcontext_t gc,
                                uint16_t width, uint16_t height, int16_t x, int16_t y, uint8_t leftPad, uint8_t depth,
                                uint32_t length, const uint8_t* data)
{
    noteImage();
    static auto real =
        next<xcb_void_cookie_t (*)(xcb_connection_t*, uint8_t, xcb_drawable_t, xcb_gcontext_t, uint16_t, uint16_t,
                                   int16_t, int16_t, uint8_t, uint8_t, uint32_t, const uint8_t*)>("xcb_put_image");
    return real(c, format, drawable, gc, width, height, x, y, leftPad, depth, length, data);
}

// xcb_shm_put_image lives in libxcb-shm: looked up there when Qt first calls it.
xcb_void_cookie_t xcb_shm_put_image(xcb_connection_t* c, xcb_drawable_t drawable, xcb_gcontext_t gc,
                                    uint16_t totalWidth, uint16_t totalHeight, uint16_t srcX, uint16_t srcY,
                                    uint16_t srcWidth, uint16_t srcHeight, int16_t dstX, int16_t dstY, uint8_t depth,
                                    uint8_t format, uint8_t sendEvent, uint32_t shmseg, uint32_t offset)
{
    noteImage();
    static auto real = next<xcb_void_cookie_t (*)(
        xcb_connection_t*, xcb_drawable_t, xcb_gcontext_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t, uint16_t,
        int16_t, int16_t, uint8_t, uint8_t, uint8_t, uint32_t, uint32_t)>("xcb_shm_put_image", "libxcb-shm.so.0");
    return real(c, drawable, gc, totalWidth, totalHeight, srcX, srcY, srcWidth, srcHeight, dstX, dstY, depth, format,
                sendEvent, shmseg, offset);
}

xcb_void_cookie_t xcb_copy_area(xcb_connection_t* c, xcb_drawable_t src, xcb_drawable_t dst, xcb_gcontext_t gc,
                                int16_t srcX, int16_t srcY, int16_t dstX, int16_t dstY, uint16_t width, uint16_t height)
{
    noteImage();
    static auto real =
        next<xcb_void_cookie_t (*)(xcb_connection_t*, xcb_drawable_t, xcb_drawable_t, xcb_gcontext_t, int16_t, int16_t,
                                   int16_t, int16_t, uint16_t, uint16_t)>("xcb_copy_area");
    return real(c, src, dst, gc, srcX, srcY, dstX, dstY, width, height);
}

int xcb_flush(xcb_connection_t* c)
{
    static auto real = next<int (*)(xcb_connection_t*)>("xcb_flush");
    const int result = real(c);
    if (imageSent && !done) {
        done = true;
        const double frame = sinceLaunch();
        if (const char* out = std::getenv("FRAME_CLOCK_OUT")) {
            if (FILE* f = std::fopen(out, "w")) {
                std::fprintf(f, "%.2f %.2f\n", mapped, frame);
                std::fclose(f);
            }
        }
        // FRAME_CLOCK_SHOT: a picture of the screen as that frame left it, for the eye.
        if (const char* shot = std::getenv("FRAME_CLOCK_SHOT")) {
            const std::string command = std::string("import -window root '") + shot + "'";
            if (std::system(command.c_str()) != 0)
                std::fprintf(stderr, "frame_clock: no picture taken\n");
        }
        if (const char* exitNow = std::getenv("FRAME_CLOCK_EXIT"); exitNow && exitNow[0] == '1')
            _exit(0);
    }
    return result;
}
}
