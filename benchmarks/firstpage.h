#pragma once

#include <QByteArray>

#include <cstdio>
#include <ctime>

// The line the start-up row of `make bench` reads from each program it times, flushed at once:
//   firstpage <CLOCK_MONOTONIC ns><rest>
inline void PrintFirstPage(const QByteArray &rest)
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("firstpage %lld%s\n",
                static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec, rest.constData());
    std::fflush(stdout);
}
