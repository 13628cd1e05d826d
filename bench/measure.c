/* Runs one command and writes its resource use to a file, for bench/run_bench.py.
 *
 * Usage: measure STATS_FILE COMMAND [ARGS...]
 * Writes "exit <code>|signal <n> <user_us> <system_us> <maxrss_kib>" to STATS_FILE.
 *
 * Why not measure from Python directly: Linux keeps a process's peak resident set across
 * exec, and a child forked (or vforked) from the benchmark script starts with the script's
 * own pages, so every tool would be charged with Pillow's decoded frames. Forked from this
 * small program, the child's peak is its own. */
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

static long long micros(struct timeval tv) { return (long long)tv.tv_sec * 1000000 + tv.tv_usec; }

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: measure STATS_FILE COMMAND [ARGS...]\n");
        return 125;
    }
    pid_t pid = fork();
    if (pid < 0) {
        fprintf(stderr, "measure: cannot fork: %s\n", strerror(errno));
        return 125;
    }
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        fprintf(stderr, "cannot start %s: %s\n", argv[2], strerror(errno));
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            fprintf(stderr, "measure: wait failed: %s\n", strerror(errno));
            return 125;
        }
    }
    FILE* out = fopen(argv[1], "w");
    if (!out) {
        fprintf(stderr, "measure: cannot write %s: %s\n", argv[1], strerror(errno));
        return 125;
    }
    if (WIFSIGNALED(status))
        fprintf(out, "signal %d", WTERMSIG(status));
    else
        fprintf(out, "exit %d", WEXITSTATUS(status));
    fprintf(out, " %lld %lld %ld\n", micros(usage.ru_utime), micros(usage.ru_stime), usage.ru_maxrss);
    if (fclose(out) != 0)
        return 125;
    return 0;
}
