#pragma once

// Peak-memory figures and child processes for the benches (Linux /proc).
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace BenchMemory
{
// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:"); -1 when it cannot be read.
long StatusKiB(const char* field);

// Hands freed memory back to the system, so that an operation cannot hide its allocations in
// memory an earlier one left resident, and makes VmHWM start again from the resident size.
void ResetPeak();

// Growth of peak resident memory in KiB while op runs.
template <class Op> long PeakGrowthKiB(Op op)
{
    ResetPeak();
    const long before = StatusKiB("VmRSS:");
    op();
    return StatusKiB("VmHWM:") - before;
}

// Runs run in a child process of its own, so that no figure inherits another's memory.
template <class Run> void InChild(Run run)
{
    const pid_t child = fork();
    if (child == 0) {
        run();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}
} // namespace BenchMemory
