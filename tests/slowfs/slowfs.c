/* A slow and hanging file system for tests, put in front of the C library with LD_PRELOAD.

   SLOWFS_DELAY_MS=N      every lookup (stat, open, opendir) of a path under SLOWFS_UNDER, and each
                          readdir there, takes N ms more, as on a far network share.
   SLOWFS_UNDER=PREFIX    the folder the delays and hangs apply to (all paths when unset).
   SLOWFS_HANG=PART       an open of a file whose path contains PART succeeds, but each read of it hangs
                          until the file SLOWFS_RELEASE exists (forever when that is unset), as on a
                          share that has gone away.
   SLOWFS_HANG_LOOKUP=PART  a lookup (stat, open) of a path containing PART hangs the same way.

   Only the calls a program makes through the C library are slowed: enough for code that lists
   folders, looks at files and reads them. A test in the same process changes the settings with
   slowfs_set(NAME, VALUE), found with dlsym (its presence tells that the shim is loaded); VALUE NULL
   unsets. */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#define MAX_FDS 4096
static unsigned char hangingFd[MAX_FDS];

/* The settings, read from the environment once and changed by slowfs_set; a reader gets its own
   copy, so that a test may change them while the program's threads look. */
static const char* const names[] = { "SLOWFS_DELAY_MS", "SLOWFS_UNDER", "SLOWFS_HANG", "SLOWFS_HANG_LOOKUP",
    "SLOWFS_RELEASE" };
#define SETTINGS (sizeof names / sizeof names[0])
static char values[SETTINGS][4096];
static int loaded;
static pthread_mutex_t settingsLock = PTHREAD_MUTEX_INITIALIZER;
static __thread char copies[SETTINGS][4096];

static int indexOf(const char* name)
{
    for (unsigned i = 0; i < SETTINGS; ++i)
        if (strcmp(names[i], name) == 0)
            return (int)i;
    return -1;
}

static void loadLocked(void)
{
    if (loaded)
        return;
    loaded = 1;
    for (unsigned i = 0; i < SETTINGS; ++i) {
        const char* value = getenv(names[i]);
        if (value)
            snprintf(values[i], sizeof values[i], "%s", value);
    }
}

void slowfs_set(const char* name, const char* value)
{
    const int i = indexOf(name);
    if (i < 0)
        return;
    pthread_mutex_lock(&settingsLock);
    loadLocked();
    snprintf(values[i], sizeof values[i], "%s", value ? value : "");
    pthread_mutex_unlock(&settingsLock);
}

static const char* env(const char* name)
{
    const int i = indexOf(name);
    pthread_mutex_lock(&settingsLock);
    loadLocked();
    memcpy(copies[i], values[i], sizeof copies[i]);
    pthread_mutex_unlock(&settingsLock);
    return copies[i][0] ? copies[i] : NULL;
}

static int under(const char* path)
{
    const char* prefix = env("SLOWFS_UNDER");
    return path && (!prefix || strncmp(path, prefix, strlen(prefix)) == 0);
}

static void sleepMs(long ms)
{
    struct timespec t = { ms / 1000, (ms % 1000) * 1000000L };
    while (nanosleep(&t, &t) != 0) { }
}

static void hang(void)
{
    const char* release = env("SLOWFS_RELEASE");
    for (;;) {
        if (release && access(release, F_OK) == 0)
            return;
        sleepMs(50);
    }
}

static int matches(const char* path, const char* variable)
{
    const char* part = env(variable);
    return path && part && under(path) && strstr(path, part) != NULL;
}

static void lookup(const char* path)
{
    if (!under(path))
        return;
    if (matches(path, "SLOWFS_HANG_LOOKUP"))
        hang();
    const char* delay = env("SLOWFS_DELAY_MS");
    if (delay)
        sleepMs(atol(delay));
}

static void opened(int fd, const char* path)
{
    if (fd >= 0 && fd < MAX_FDS)
        hangingFd[fd] = matches(path, "SLOWFS_HANG") ? 1 : 0;
}

#define REAL(name) static __typeof__(name)* real_##name; if (!real_##name) real_##name = (__typeof__(name)*)dlsym(RTLD_NEXT, #name)

int open(const char* path, int flags, ...)
{
    REAL(open);
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) { va_list a; va_start(a, flags); mode = va_arg(a, mode_t); va_end(a); }
    lookup(path);
    int fd = real_open(path, flags, mode);
    opened(fd, path);
    return fd;
}
int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int openat(int dirfd, const char* path, int flags, ...)
{
    REAL(openat);
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) { va_list a; va_start(a, flags); mode = va_arg(a, mode_t); va_end(a); }
    lookup(path);
    int fd = real_openat(dirfd, path, flags, mode);
    opened(fd, path);
    return fd;
}
int openat64(int dirfd, const char* path, int flags, ...) __attribute__((alias("openat")));

int close(int fd)
{
    REAL(close);
    if (fd >= 0 && fd < MAX_FDS)
        hangingFd[fd] = 0;
    return real_close(fd);
}

ssize_t read(int fd, void* buffer, size_t count)
{
    REAL(read);
    if (fd >= 0 && fd < MAX_FDS && hangingFd[fd])
        hang();
    return real_read(fd, buffer, count);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset)
{
    REAL(pread);
    if (fd >= 0 && fd < MAX_FDS && hangingFd[fd])
        hang();
    return real_pread(fd, buffer, count, offset);
}
ssize_t pread64(int fd, void* buffer, size_t count, off_t offset) __attribute__((alias("pread")));

int stat(const char* path, struct stat* st) { REAL(stat); lookup(path); return real_stat(path, st); }
int stat64(const char* path, struct stat64* st) { REAL(stat64); lookup(path); return real_stat64(path, st); }
int lstat(const char* path, struct stat* st) { REAL(lstat); lookup(path); return real_lstat(path, st); }
int lstat64(const char* path, struct stat64* st) { REAL(lstat64); lookup(path); return real_lstat64(path, st); }
int fstatat(int dirfd, const char* path, struct stat* st, int flags)
{
    REAL(fstatat); lookup(path); return real_fstatat(dirfd, path, st, flags);
}
int fstatat64(int dirfd, const char* path, struct stat64* st, int flags)
{
    REAL(fstatat64); lookup(path); return real_fstatat64(dirfd, path, st, flags);
}
int statx(int dirfd, const char* path, int flags, unsigned mask, struct statx* st)
{
    REAL(statx); lookup(path); return real_statx(dirfd, path, flags, mask, st);
}
int access(const char* path, int mode) { REAL(access); if (!env("SLOWFS_RELEASE") || strcmp(path, env("SLOWFS_RELEASE")) != 0) lookup(path); return real_access(path, mode); }

/* Each entry read from a folder under the slow prefix costs a lookup too, as on a share whose
   listing gives no kinds and has each entry looked up. */
#define MAX_DIRS 256
static DIR* slowDirs[MAX_DIRS];
static pthread_mutex_t dirsLock = PTHREAD_MUTEX_INITIALIZER;

static int isSlowDir(DIR* dir)
{
    int found = 0;
    pthread_mutex_lock(&dirsLock);
    for (int i = 0; i < MAX_DIRS && !found; ++i)
        found = slowDirs[i] == dir;
    pthread_mutex_unlock(&dirsLock);
    return found;
}

static void markDir(DIR* dir, DIR* as)
{
    pthread_mutex_lock(&dirsLock);
    for (int i = 0; i < MAX_DIRS; ++i)
        if (slowDirs[i] == as) {
            slowDirs[i] = dir == as ? NULL : dir;
            if (dir != as)
                break;
        }
    pthread_mutex_unlock(&dirsLock);
}

DIR* opendir(const char* path)
{
    REAL(opendir);
    lookup(path);
    DIR* dir = real_opendir(path);
    if (dir && under(path))
        markDir(dir, NULL);
    return dir;
}

int closedir(DIR* dir)
{
    REAL(closedir);
    if (isSlowDir(dir))
        markDir(dir, dir);
    return real_closedir(dir);
}

struct dirent* readdir(DIR* dir)
{
    REAL(readdir);
    const char* delay = env("SLOWFS_DELAY_MS");
    if (delay && isSlowDir(dir))
        sleepMs(atol(delay));
    return real_readdir(dir);
}
struct dirent64* readdir64(DIR* dir) __attribute__((alias("readdir")));
