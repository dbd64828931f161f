/* kill_at: a preload library that counts the calls a process makes that
 * change files and kills the process with SIGKILL just before a chosen one.
 *
 *   LUMBREL_KILL_AT=N      kill just before the N-th counted call (0 or unset:
 *                          never kill)
 *   LUMBREL_KILL_COUNT=F   at a normal exit, write the number of counted calls
 *                          to F (decimal, one line)
 *   LUMBREL_KILL_LOG=F     append one line "N call target" per counted call
 *                          to F, to tell what a kill point interrupts
 *
 * The variables are read once at load and removed from the environment, so
 * that programs the process starts are left alone; a forked child stops
 * counting as well. Without any of them set the library only passes calls on.
 *
 * Counted: opens that create or may write (O_CREAT, O_WRONLY, O_RDWR,
 * O_TRUNC), writes to regular files, and every rename, link, unlink, mkdir,
 * rmdir, fsync, fdatasync, sync_file_range, copy_file_range, truncate,
 * time change and mode change. */

#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

static atomic_ulong g_count;
static unsigned long g_kill_at;
static int g_active;     /* any variable set: count and act */
static int g_log_fd = -1;
static char g_count_file[PATH_MAX];

/* The next definition of a symbol, looked up on first use. Threads that
 * make their first call at once may both look it up; they store the same
 * pointer. */
#define REAL(name, type)                                                                    \
    static __typeof__(type) real_##name##_cache;                                            \
    __typeof__(type) real_##name = __atomic_load_n(&real_##name##_cache, __ATOMIC_ACQUIRE); \
    if (!real_##name) {                                                                     \
        real_##name = (type)dlsym(RTLD_NEXT, #name);                                        \
        if (!real_##name) {                                                                 \
            errno = ENOSYS;                                                                 \
            return -1;                                                                      \
        }                                                                                   \
        __atomic_store_n(&real_##name##_cache, real_##name, __ATOMIC_RELEASE);              \
    }

/* Log and kill with raw system calls: the wrappers below must not count
 * their own work. */
static void log_line(unsigned long n, const char* prefix, const char* call, const char* a, const char* b) {
    if (g_log_fd < 0) return;
    char line[2 * PATH_MAX + 96];
    int len = snprintf(line, sizeof line, "%lu %s%s %s%s%s\n", n, prefix, call, a ? a : "", b ? " -> " : "",
                       b ? b : "");
    if (len <= 0) return;
    if ((size_t)len > sizeof line - 1) len = (int)sizeof line - 1;
    syscall(SYS_write, g_log_fd, line, (size_t)len);
}

static void fd_target(int fd, char* out, size_t size) {
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = syscall(SYS_readlinkat, AT_FDCWD, link, out, size - 1);
    if (n < 0) snprintf(out, size, "fd %d", fd);
    else out[n] = '\0';
}

/* Counts one call. Once the kill point is reached no thread gets past here:
 * a thread that draws a later number while the signal is on its way waits
 * for it instead of changing a file after the kill point. */
static void count_call(const char* call, const char* a, const char* b) {
    if (!g_active) return;
    const unsigned long n = atomic_fetch_add(&g_count, 1) + 1;
    if (g_kill_at && n >= g_kill_at) {
        log_line(n, "KILL before ", call, a, b);
        syscall(SYS_kill, syscall(SYS_getpid), SIGKILL);
        for (;;) pause();
    }
    log_line(n, "", call, a, b);
}

static void count_fd_call(const char* call, int fd) {
    if (!g_active) return;
    char target[PATH_MAX];
    target[0] = '\0';
    if (g_log_fd >= 0) fd_target(fd, target, sizeof target);
    count_call(call, target, NULL);
}

static int opens_for_writing(int flags) {
    return (flags & (O_CREAT | O_WRONLY | O_RDWR | O_TRUNC)) != 0;
}

static int is_regular_file(int fd) {
    struct stat st;
    return syscall(SYS_fstat, fd, &st) == 0 && S_ISREG(st.st_mode);
}

static void child_after_fork(void) { g_active = 0; }

__attribute__((constructor)) static void kill_at_start(void) {
    const char* at = getenv("LUMBREL_KILL_AT");
    const char* count = getenv("LUMBREL_KILL_COUNT");
    const char* log = getenv("LUMBREL_KILL_LOG");
    if (at && *at) g_kill_at = strtoul(at, NULL, 10);
    if (count && *count) snprintf(g_count_file, sizeof g_count_file, "%s", count);
    if (log && *log)
        g_log_fd = (int)syscall(SYS_openat, AT_FDCWD, log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    g_active = g_kill_at != 0 || g_count_file[0] != '\0' || g_log_fd >= 0;
    unsetenv("LUMBREL_KILL_AT");
    unsetenv("LUMBREL_KILL_COUNT");
    unsetenv("LUMBREL_KILL_LOG");
    pthread_atfork(NULL, NULL, child_after_fork);
}

__attribute__((destructor)) static void kill_at_finish(void) {
    if (!g_active || !g_count_file[0]) return;
    char text[32];
    const int len = snprintf(text, sizeof text, "%lu\n", atomic_load(&g_count));
    const int fd = (int)syscall(SYS_openat, AT_FDCWD, g_count_file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    syscall(SYS_write, fd, text, (size_t)len);
    syscall(SYS_close, fd);
}

/* ---- opens ---- */

static mode_t mode_arg(int flags, va_list ap) {
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(ap, int) : 0;
}

int open(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    REAL(open, int (*)(const char*, int, ...));
    if (opens_for_writing(flags)) count_call("open", path, NULL);
    return real_open(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    REAL(open64, int (*)(const char*, int, ...));
    if (opens_for_writing(flags)) count_call("open64", path, NULL);
    return real_open64(path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    REAL(openat, int (*)(int, const char*, int, ...));
    if (opens_for_writing(flags)) count_call("openat", path, NULL);
    return real_openat(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    REAL(openat64, int (*)(int, const char*, int, ...));
    if (opens_for_writing(flags)) count_call("openat64", path, NULL);
    return real_openat64(dirfd, path, flags, mode);
}

/* The checked forms the compiler calls for open() without a mode. */
int __open_2(const char* path, int flags) {
    REAL(__open_2, int (*)(const char*, int));
    if (opens_for_writing(flags)) count_call("open", path, NULL);
    return real___open_2(path, flags);
}

int __open64_2(const char* path, int flags) {
    REAL(__open64_2, int (*)(const char*, int));
    if (opens_for_writing(flags)) count_call("open64", path, NULL);
    return real___open64_2(path, flags);
}

int __openat_2(int dirfd, const char* path, int flags) {
    REAL(__openat_2, int (*)(int, const char*, int));
    if (opens_for_writing(flags)) count_call("openat", path, NULL);
    return real___openat_2(dirfd, path, flags);
}

int __openat64_2(int dirfd, const char* path, int flags) {
    REAL(__openat64_2, int (*)(int, const char*, int));
    if (opens_for_writing(flags)) count_call("openat64", path, NULL);
    return real___openat64_2(dirfd, path, flags);
}

int creat(const char* path, mode_t mode) {
    REAL(creat, int (*)(const char*, mode_t));
    count_call("creat", path, NULL);
    return real_creat(path, mode);
}

int creat64(const char* path, mode_t mode) {
    REAL(creat64, int (*)(const char*, mode_t));
    count_call("creat64", path, NULL);
    return real_creat64(path, mode);
}

/* ---- writes: only to regular files; pipes, terminals and sockets are not
 * file state ---- */

ssize_t write(int fd, const void* buf, size_t n) {
    REAL(write, ssize_t (*)(int, const void*, size_t));
    if (g_active && fd > 2 && is_regular_file(fd)) count_fd_call("write", fd);
    return real_write(fd, buf, n);
}

ssize_t pwrite(int fd, const void* buf, size_t n, off_t off) {
    REAL(pwrite, ssize_t (*)(int, const void*, size_t, off_t));
    if (g_active && fd > 2 && is_regular_file(fd)) count_fd_call("pwrite", fd);
    return real_pwrite(fd, buf, n, off);
}

ssize_t pwrite64(int fd, const void* buf, size_t n, off64_t off) {
    REAL(pwrite64, ssize_t (*)(int, const void*, size_t, off64_t));
    if (g_active && fd > 2 && is_regular_file(fd)) count_fd_call("pwrite64", fd);
    return real_pwrite64(fd, buf, n, off);
}

ssize_t writev(int fd, const struct iovec* iov, int count) {
    REAL(writev, ssize_t (*)(int, const struct iovec*, int));
    if (g_active && fd > 2 && is_regular_file(fd)) count_fd_call("writev", fd);
    return real_writev(fd, iov, count);
}

ssize_t pwritev(int fd, const struct iovec* iov, int count, off_t off) {
    REAL(pwritev, ssize_t (*)(int, const struct iovec*, int, off_t));
    if (g_active && fd > 2 && is_regular_file(fd)) count_fd_call("pwritev", fd);
    return real_pwritev(fd, iov, count, off);
}

/* ---- names ---- */

int rename(const char* from, const char* to) {
    REAL(rename, int (*)(const char*, const char*));
    count_call("rename", from, to);
    return real_rename(from, to);
}

int renameat(int fromfd, const char* from, int tofd, const char* to) {
    REAL(renameat, int (*)(int, const char*, int, const char*));
    count_call("renameat", from, to);
    return real_renameat(fromfd, from, tofd, to);
}

int renameat2(int fromfd, const char* from, int tofd, const char* to, unsigned int flags) {
    REAL(renameat2, int (*)(int, const char*, int, const char*, unsigned int));
    count_call("renameat2", from, to);
    return real_renameat2(fromfd, from, tofd, to, flags);
}

int link(const char* from, const char* to) {
    REAL(link, int (*)(const char*, const char*));
    count_call("link", from, to);
    return real_link(from, to);
}

int linkat(int fromfd, const char* from, int tofd, const char* to, int flags) {
    REAL(linkat, int (*)(int, const char*, int, const char*, int));
    count_call("linkat", from, to);
    return real_linkat(fromfd, from, tofd, to, flags);
}

int unlink(const char* path) {
    REAL(unlink, int (*)(const char*));
    count_call("unlink", path, NULL);
    return real_unlink(path);
}

int unlinkat(int dirfd, const char* path, int flags) {
    REAL(unlinkat, int (*)(int, const char*, int));
    count_call("unlinkat", path, NULL);
    return real_unlinkat(dirfd, path, flags);
}

int mkdir(const char* path, mode_t mode) {
    REAL(mkdir, int (*)(const char*, mode_t));
    count_call("mkdir", path, NULL);
    return real_mkdir(path, mode);
}

int mkdirat(int dirfd, const char* path, mode_t mode) {
    REAL(mkdirat, int (*)(int, const char*, mode_t));
    count_call("mkdirat", path, NULL);
    return real_mkdirat(dirfd, path, mode);
}

int rmdir(const char* path) {
    REAL(rmdir, int (*)(const char*));
    count_call("rmdir", path, NULL);
    return real_rmdir(path);
}

/* ---- data to disk, sizes, times, modes ---- */

int fsync(int fd) {
    REAL(fsync, int (*)(int));
    count_fd_call("fsync", fd);
    return real_fsync(fd);
}

int fdatasync(int fd) {
    REAL(fdatasync, int (*)(int));
    count_fd_call("fdatasync", fd);
    return real_fdatasync(fd);
}

int sync_file_range(int fd, off64_t off, off64_t n, unsigned int flags) {
    REAL(sync_file_range, int (*)(int, off64_t, off64_t, unsigned int));
    count_fd_call("sync_file_range", fd);
    return real_sync_file_range(fd, off, n, flags);
}

ssize_t copy_file_range(int in, off64_t* inoff, int out, off64_t* outoff, size_t n, unsigned int flags) {
    REAL(copy_file_range, ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned int));
    count_fd_call("copy_file_range", out);
    return real_copy_file_range(in, inoff, out, outoff, n, flags);
}

int ftruncate(int fd, off_t size) {
    REAL(ftruncate, int (*)(int, off_t));
    count_fd_call("ftruncate", fd);
    return real_ftruncate(fd, size);
}

int ftruncate64(int fd, off64_t size) {
    REAL(ftruncate64, int (*)(int, off64_t));
    count_fd_call("ftruncate64", fd);
    return real_ftruncate64(fd, size);
}

int truncate(const char* path, off_t size) {
    REAL(truncate, int (*)(const char*, off_t));
    count_call("truncate", path, NULL);
    return real_truncate(path, size);
}

int futimens(int fd, const struct timespec times[2]) {
    REAL(futimens, int (*)(int, const struct timespec[2]));
    count_fd_call("futimens", fd);
    return real_futimens(fd, times);
}

int utimensat(int dirfd, const char* path, const struct timespec times[2], int flags) {
    REAL(utimensat, int (*)(int, const char*, const struct timespec[2], int));
    count_call("utimensat", path, NULL);
    return real_utimensat(dirfd, path, times, flags);
}

int fchmod(int fd, mode_t mode) {
    REAL(fchmod, int (*)(int, mode_t));
    count_fd_call("fchmod", fd);
    return real_fchmod(fd, mode);
}

int chmod(const char* path, mode_t mode) {
    REAL(chmod, int (*)(const char*, mode_t));
    count_call("chmod", path, NULL);
    return real_chmod(path, mode);
}

int fchmodat(int dirfd, const char* path, mode_t mode, int flags) {
    REAL(fchmodat, int (*)(int, const char*, mode_t, int));
    count_call("fchmodat", path, NULL);
    return real_fchmodat(dirfd, path, mode, flags);
}
