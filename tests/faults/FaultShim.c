// SPDX-License-Identifier: MIT
/* An LD_PRELOAD shim that injects one fault into the calls through which a
 * process changes files: write, pwrite, writev (on descriptors above 2, so
 * that the program's own output is never hit), fsync, fdatasync, rename,
 * renameat, renameat2, link and linkat. The calls are counted from 1; the
 * environment says what happens at call number VORLAN_FAULT_AT:
 *   VORLAN_FAULT_MODE=fail         the call fails with ENOSPC (a full disk)
 *   VORLAN_FAULT_MODE=fail-from    that call and every later one fail so
 *   VORLAN_FAULT_MODE=kill-before  the process is killed (SIGKILL) before it
 *   VORLAN_FAULT_MODE=kill-after   the process is killed right after it
 * Without VORLAN_FAULT_AT nothing is injected. When VORLAN_FAULT_COUNT_FILE is
 * set, every process appends the number of calls it saw there as it exits,
 * so that a test knows how many fault points a run has. The counts are per
 * process: a child the program starts counts its own calls from 1. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

enum fault_mode { FAULT_NONE, FAULT_FAIL, FAULT_FAIL_FROM, FAULT_KILL_BEFORE, FAULT_KILL_AFTER };

static long calls_seen;
static long fault_at;
static enum fault_mode mode = FAULT_NONE;

__attribute__((constructor)) static void read_settings(void) {
    const char* at = getenv("VORLAN_FAULT_AT");
    const char* how = getenv("VORLAN_FAULT_MODE");
    fault_at = at != NULL ? atol(at) : 0;
    if (how == NULL || fault_at <= 0) return;
    if (strcmp(how, "fail") == 0)
        mode = FAULT_FAIL;
    else if (strcmp(how, "fail-from") == 0)
        mode = FAULT_FAIL_FROM;
    else if (strcmp(how, "kill-before") == 0)
        mode = FAULT_KILL_BEFORE;
    else if (strcmp(how, "kill-after") == 0)
        mode = FAULT_KILL_AFTER;
}

__attribute__((destructor)) static void report_count(void) {
    const char* path = getenv("VORLAN_FAULT_COUNT_FILE");
    FILE* out;
    if (path == NULL) return;
    out = fopen(path, "a");
    if (out == NULL) return;
    fprintf(out, "%ld\n", calls_seen);
    fclose(out);
}

/* Counts the call; true when it is to fail. Kills before it when asked. */
static int fault_now(void) {
    ++calls_seen;
    if (mode == FAULT_FAIL_FROM) return calls_seen >= fault_at;
    if (calls_seen != fault_at) return 0;
    if (mode == FAULT_KILL_BEFORE) kill(getpid(), SIGKILL);
    return mode == FAULT_FAIL;
}

static long finish(long result) {
    if (calls_seen == fault_at && mode == FAULT_KILL_AFTER) kill(getpid(), SIGKILL);
    return result;
}

static void* next(const char* name) {
    void* symbol = dlsym(RTLD_NEXT, name);
    if (symbol == NULL) abort();
    return symbol;
}

#define FAIL_WITH_NO_SPACE(type) \
    do {                         \
        errno = ENOSPC;          \
        return (type)-1;         \
    } while (0)

ssize_t write(int fd, const void* buffer, size_t count) {
    static ssize_t (*real)(int, const void*, size_t);
    if (real == NULL) *(void**)(&real) = next("write");
    if (fd <= 2) return real(fd, buffer, count);
    if (fault_now()) FAIL_WITH_NO_SPACE(ssize_t);
    return (ssize_t)finish(real(fd, buffer, count));
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    static ssize_t (*real)(int, const void*, size_t, off_t);
    if (real == NULL) *(void**)(&real) = next("pwrite");
    if (fd <= 2) return real(fd, buffer, count, offset);
    if (fault_now()) FAIL_WITH_NO_SPACE(ssize_t);
    return (ssize_t)finish(real(fd, buffer, count, offset));
}

ssize_t pwrite64(int fd, const void* buffer, size_t count, off_t offset) {
    static ssize_t (*real)(int, const void*, size_t, off_t);
    if (real == NULL) *(void**)(&real) = next("pwrite64");
    if (fd <= 2) return real(fd, buffer, count, offset);
    if (fault_now()) FAIL_WITH_NO_SPACE(ssize_t);
    return (ssize_t)finish(real(fd, buffer, count, offset));
}

ssize_t writev(int fd, const struct iovec* vector, int count) {
    static ssize_t (*real)(int, const struct iovec*, int);
    if (real == NULL) *(void**)(&real) = next("writev");
    if (fd <= 2) return real(fd, vector, count);
    if (fault_now()) FAIL_WITH_NO_SPACE(ssize_t);
    return (ssize_t)finish(real(fd, vector, count));
}

int fsync(int fd) {
    static int (*real)(int);
    if (real == NULL) *(void**)(&real) = next("fsync");
    if (fault_now()) FAIL_WITH_NO_SPACE(int);
    return (int)finish(real(fd));
}

int fdatasync(int fd) {
    static int (*real)(int);
    if (real == NULL) *(void**)(&real) = next("fdatasync");
    if (fault_now()) FAIL_WITH_NO_SPACE(int);
    return (int)finish(real(fd));
}

int rename(const char* from, const char* to) {
    static int (*real)(const char*, const char*);
    if (real == NULL) *(void**)(&real) = next("rename");
    if (fault_now()) FAIL_WITH_NO_SPACE(int);
    return (int)finish(real(from, to));
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    static int (*real)(int, const char*, int, const char*);
    if (real == NULL) *(void**)(&real) = next("renameat");
    if (fault_now()) FAIL_WITH_NO_SPACE(int);
    return (int)finish(real(fromFolder, from, toFolder, to));
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
    static int (*real)(int, const char*, int, const char*, unsigned);
    if (real == NULL) *(void**)(&real) = next("renameat2");
    if (fault_now()) FAIL_WITH_NO_SPACE(int);
    return (int)finish(real(fromFolder, from, toFolder, to, flags));
}

int link(const char* from, const char* to) {
    static int (*real)(const char*, const char*);
    if (real == NULL) *(void**)(&real) = next("link");
    if (fault_now()) FAIL_WITH_NO_SPACE(int);
    return (int)finish(real(from, to));
}

int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    static int (*real)(int, const char*, int, const char*, int);
    if (real == NULL) *(void**)(&real) = next("linkat");
    if (fault_now()) FAIL_WITH_NO_SPACE(int);
    return (int)finish(real(fromFolder, from, toFolder, to, flags));
}
