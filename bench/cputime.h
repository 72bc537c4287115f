#pragma once
// CPU time of this process, user and system together, for the benchmarks'
// idle-cost figures.
#include <sys/resource.h>

inline double cpuSeconds()
{
    rusage r{};
    ::getrusage(RUSAGE_SELF, &r);
    return r.ru_utime.tv_sec + r.ru_stime.tv_sec + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}
