#pragma once

// Colour profiles made with Little CMS for the tests and the benchmarks.

#include <QByteArray>
#include <lcms2.h>

namespace tl::test {

// The bytes of `profile`, which is closed.
inline QByteArray savedProfile(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

} // namespace tl::test
