#pragma once

#include <QString>

// What one bundle may hold. Real plug-ins hold some kilobytes to a few megabytes; the limits
// exist so that a small hostile or damaged file cannot make the host, or the command line,
// read without end.
namespace BundleLimits {

constexpr qint64 Mebibyte = 1024 * 1024;

// One file of a bundle as read: a manifest, a page, an image; and one archive entry.
constexpr qint64 MaxEntrySize = 64 * Mebibyte;
// All entries of one archive together, as its directory declares them.
constexpr qint64 MaxBundleSize = 64 * Mebibyte;
// The zip that a secured file decodes to.
constexpr qint64 MaxPayloadSize = 64 * Mebibyte;
// A secured file itself: the implode method spends at most 14 bits on a byte, so a larger
// file cannot decode within MaxPayloadSize.
constexpr qint64 MaxSecuredFileSize = 2 * MaxPayloadSize;
// The name of one archive entry, in bytes.
constexpr int MaxNameLength = 4096;

// A size limit as people read it, such as "64 MiB".
inline QString limitText(qint64 bytes)
{
    return QString::number(bytes / Mebibyte) + QLatin1String(" MiB");
}

} // namespace BundleLimits
