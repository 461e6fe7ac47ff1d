// LD_PRELOAD shim: every open of a file whose path contains SLOW_OPEN_PATH (default
// "test_datasets") waits SLOW_OPEN_MS milliseconds (default 50) first, as a slow network share
// would. Only opening is
// slowed: the sample files are small, and a share's cost is mostly its round trips.
#undef _FORTIFY_SOURCE
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>

namespace {

void delay_for(const char *path)
{
    const char *slowed_path = getenv("SLOW_OPEN_PATH");
    if (!path || !std::strstr(path, slowed_path && *slowed_path ? slowed_path : "test_datasets"))
        return;
    const char *ms_text = getenv("SLOW_OPEN_MS");
    const long ms = ms_text ? std::atol(ms_text) : 50;
    timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) { }
}

typedef int (*open_fn)(const char *, int, ...);
typedef int (*openat_fn)(int, const char *, int, ...);

// The common part of every wrapper: reads the mode, which is only passed when the file may be
// created, waits, and calls the next definition of `name` (looked up once into `real`). The
// wrappers themselves must stay variadic to match the C declarations.
template<typename Fn, typename... Dir>
int slowed(Fn &real, const char *name, va_list args, const char *path, int flags, Dir... dir)
{
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    delay_for(path);
    if (!real)
        real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
    return real(dir..., path, flags, mode);
}

} // namespace

extern "C" {

int open(const char *path, int flags, ...)
{
    static open_fn real;
    va_list args;
    va_start(args, flags);
    const int fd = slowed(real, "open", args, path, flags);
    va_end(args);
    return fd;
}

int open64(const char *path, int flags, ...)
{
    static open_fn real;
    va_list args;
    va_start(args, flags);
    const int fd = slowed(real, "open64", args, path, flags);
    va_end(args);
    return fd;
}

int openat(int dir, const char *path, int flags, ...)
{
    static openat_fn real;
    va_list args;
    va_start(args, flags);
    const int fd = slowed(real, "openat", args, path, flags, dir);
    va_end(args);
    return fd;
}

int openat64(int dir, const char *path, int flags, ...)
{
    static openat_fn real;
    va_list args;
    va_start(args, flags);
    const int fd = slowed(real, "openat64", args, path, flags, dir);
    va_end(args);
    return fd;
}

} // extern "C"
