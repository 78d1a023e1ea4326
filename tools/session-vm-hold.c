// Small helpers for tools/session-vm's virtual machine, for what its shell
// and coreutils offer no way to do:
//   session-vm-hold anon MB READY  hold MB of anonymous memory, every page
//                                  written, create READY, then wait; on
//                                  SIGUSR1 read every page again and write
//                                  how long that took to READY.touched
//   session-vm-hold watch DIR...   print "write DIR/NAME" for each file of the
//                                  folders opened for writing, until killed
#define _GNU_SOURCE
#include <errno.h>
#include <signal.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <time.h>
#include <unistd.h>

static volatile sig_atomic_t touch;
static void touchRequested(int sig) {
    (void)sig;
    touch = 1;
}

static int anon(long mb, const char* ready) {
    const size_t page = 4096, size = (size_t)mb << 20;
    unsigned char* p = malloc(size);
    if (p == NULL) return perror("malloc"), 1;
    // A third of each page random, the rest text: compressible about as a
    // program's heap is, and never a page of zeros, which zram keeps for free.
    uint64_t x = 88172645463325252ull;
    for (size_t at = 0; at < size; at += page) {
        for (size_t i = 0; i < page / 3; i += 8) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            memcpy(p + at + i, &x, 8);
        }
        for (size_t i = page / 3; i < page; ++i) p[at + i] = (unsigned char)("a program's own data "[i % 21]);
    }
    const int fd = open(ready, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return perror(ready), 1;
    close(fd);
    signal(SIGUSR1, touchRequested);
    for (;;) {
        pause();
        if (!touch) continue;
        touch = 0;
        // What the program pays when it needs its memory again after a trim.
        struct timespec a, b;
        clock_gettime(CLOCK_MONOTONIC, &a);
        uint64_t sum = 0;
        for (size_t at = 0; at < size; at += page) sum += ((volatile unsigned char*)p)[at + page - 1];
        clock_gettime(CLOCK_MONOTONIC, &b);
        char path[4096];
        snprintf(path, sizeof path, "%s.touched", ready);
        FILE* out = fopen(path, "w");
        if (out == NULL) return perror(path), 1;
        fprintf(out, "%ld MB in %.2f s (%llu)\n", mb, (double)(b.tv_sec - a.tv_sec) + (double)(b.tv_nsec - a.tv_nsec) / 1e9,
                (unsigned long long)sum);
        fclose(out);
    }
}

static int watch(int n, char** dirs) {
    const int fd = inotify_init1(IN_CLOEXEC);
    if (fd < 0) return perror("inotify_init1"), 1;
    int wd[64];
    for (int i = 0; i < n && i < 64; ++i)
        if ((wd[i] = inotify_add_watch(fd, dirs[i], IN_CLOSE_WRITE | IN_MODIFY)) < 0) return perror(dirs[i]), 1;
    printf("watching\n");
    fflush(stdout);
    char buf[8192] __attribute__((aligned(__alignof__(struct inotify_event))));
    for (;;) {
        const ssize_t got = read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return 1;
        for (char* at = buf; at < buf + got;) {
            const struct inotify_event* e = (const struct inotify_event*)at;
            for (int i = 0; i < n && i < 64; ++i)
                if (wd[i] == e->wd && e->len > 0) printf("write %s/%s\n", dirs[i], e->name);
            at += sizeof *e + e->len;
        }
        fflush(stdout);
    }
}

int main(int argc, char** argv) {
    if (argc == 4 && strcmp(argv[1], "anon") == 0) return anon(atol(argv[2]), argv[3]);
    if (argc >= 3 && strcmp(argv[1], "watch") == 0) return watch(argc - 2, argv + 2);
    fprintf(stderr, "usage: session-vm-hold anon MB READY | watch DIR...\n");
    return 2;
}
