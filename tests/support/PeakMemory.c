// SPDX-License-Identifier: MIT
/* Runs a program and reports its peak resident memory. A process's peak is
 * counted from the memory of the process it was forked from: a program
 * started straight from a test program would seem to need at least what the
 * test holds. This small program forks it instead, waits for it, writes
 * "PEAK_KIB" to the file named first, and ends as the program ended.
 *   peak-memory FILE PROGRAM [ARGUMENT]... */
#define _GNU_SOURCE
#include <signal.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    pid_t child;
    int status = 0;
    struct rusage usage;
    FILE* out;
    if (argc < 3) {
        fprintf(stderr, "usage: peak-memory FILE PROGRAM [ARGUMENT]...\n");
        return 2;
    }
    child = fork();
    if (child < 0) return 2;
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    if (wait4(child, &status, 0, &usage) != child) return 2;
    out = fopen(argv[1], "w");
    if (out != NULL) {
        fprintf(out, "%ld\n", usage.ru_maxrss);
        fclose(out);
    }
    if (WIFSIGNALED(status)) {
        signal(WTERMSIG(status), SIG_DFL);
        raise(WTERMSIG(status));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}
