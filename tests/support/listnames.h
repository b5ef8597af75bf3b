#pragma once
// Every name one listing yields, in order, for tests of the listing.

#include "platform/listing.h"

#include <QStringList>

namespace testsupport {

inline QStringList ListNames(const QString &folder, const QString &pattern, int mask,
                             platform::DirListing::Status *status = nullptr)
{
    platform::DirListing listing;
    const platform::DirListing::Status s = listing.Open(folder, pattern, mask);
    if (status)
        *status = s;
    QStringList names;
    for (QString name = listing.Next(); !name.isEmpty(); name = listing.Next())
        names << name;
    return names;
}

} // namespace testsupport
