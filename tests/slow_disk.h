#pragma once

// The slow and hanging disk of tests/slowfs, loaded in front of the C library for the tests named
// SlowDisk.* (CTest's slow_disk.lists_and_reads). A test sets what it needs for as long as it lives.

#include <QString>
#ifndef _WIN32
#include <dlfcn.h>
#endif
#include <gtest/gtest.h>
#include <initializer_list>
#include <utility>
#include <vector>

namespace tl::test {

class SlowDisk {
public:
    using Set = void (*)(const char* name, const char* value);

    // Whether the tests run with the slow disk; a test skips itself when they do not.
    static bool loaded() { return set() != nullptr; }

    // Settings by name, SLOWFS_DELAY_MS, SLOWFS_UNDER, SLOWFS_HANG, SLOWFS_HANG_LOOKUP, SLOWFS_RELEASE;
    // all are unset again at the end.
    explicit SlowDisk(std::initializer_list<std::pair<const char*, QString>> settings)
    {
        for (const auto& [name, value] : settings) {
            set()(name, value.toUtf8().constData());
            names_.push_back(name);
        }
    }
    ~SlowDisk()
    {
        for (const char* name : names_)
            set()(name, nullptr);
    }
    SlowDisk(const SlowDisk&) = delete;
    SlowDisk& operator=(const SlowDisk&) = delete;

private:
    // Windows loads no library in front of the C library: there the slow disk is never loaded.
#ifdef _WIN32
    static Set set() { return nullptr; }
#else
    static Set set() { return reinterpret_cast<Set>(dlsym(RTLD_DEFAULT, "slowfs_set")); }
#endif
    std::vector<const char*> names_;
};

} // namespace tl::test

// Skips the test where the slow disk is not in front of the C library.
#define SKIP_WITHOUT_SLOW_DISK()                                                                                       \
    if (!tl::test::SlowDisk::loaded())                                                                                 \
    GTEST_SKIP() << "runs with tests/slowfs in front of the C library (ctest -R slow_disk)"
