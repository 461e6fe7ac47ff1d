// LD_PRELOAD shim: every open of a file whose path contains "test_datasets" waits
// SLOW_OPEN_MS milliseconds (default 50) first, as a slow network share would. Only opening is
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
    if (!path || !std::strstr(path, "test_datasets"))
        return;
    const char *ms_text = getenv("SLOW_OPEN_MS");
    const long ms = ms_text ? std::atol(ms_text) : 50;
    timespec ts = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) { }
}

typedef int (*open_fn)(const char *, int, ...);
typedef int (*openat_fn)(int, const char *, int, ...);

mode_t mode_of(int flags, va_list args)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
}

} // namespace

extern "C" {

int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    mode_t mode = mode_of(flags, args);
    va_end(args);
    delay_for(path);
    static open_fn real;
    if (!real)
        real = (open_fn)dlsym(RTLD_NEXT, "open");
    return real(path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    mode_t mode = mode_of(flags, args);
    va_end(args);
    delay_for(path);
    static open_fn real;
    if (!real)
        real = (open_fn)dlsym(RTLD_NEXT, "open64");
    return real(path, flags, mode);
}

int openat(int dir, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    mode_t mode = mode_of(flags, args);
    va_end(args);
    delay_for(path);
    static openat_fn real;
    if (!real)
        real = (openat_fn)dlsym(RTLD_NEXT, "openat");
    return real(dir, path, flags, mode);
}

int openat64(int dir, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    mode_t mode = mode_of(flags, args);
    va_end(args);
    delay_for(path);
    static openat_fn real;
    if (!real)
        real = (openat_fn)dlsym(RTLD_NEXT, "openat64");
    return real(dir, path, flags, mode);
}

} // extern "C"
