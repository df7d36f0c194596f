#include "disk_calls.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <mutex>

namespace disktest {

namespace {

std::mutex& CallsMutex()
{
    static std::mutex mutex;
    return mutex;
}

void Log(const std::string& call)
{
    std::lock_guard lock(CallsMutex());
    DiskCalls().push_back(call);
}

std::string PathOfDescriptor(int fd)
{
    char path[PATH_MAX] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    return readlink(link.c_str(), path, sizeof path - 1) > 0 ? path : "?";
}

template <typename Function>
Function Next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

std::vector<std::string>& DiskCalls()
{
    static std::vector<std::string> calls;
    return calls;
}

}  // namespace disktest

extern "C" int fsync(int fd)
{
    disktest::Log("fsync " + disktest::PathOfDescriptor(fd));
    static const auto next = disktest::Next<int (*)(int)>("fsync");
    return next(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept
{
    disktest::Log(std::string("rename ") + from + " -> " + to);
    static const auto next = disktest::Next<int (*)(const char*, const char*)>("rename");
    return next(from, to);
}
