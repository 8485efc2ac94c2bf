#include "carriers/DestinationName.h"

namespace DestinationName {

QString writtenKey(const QString &name)
{
    // Folding also takes every a-z capital to its small letter, so Upper need not run first.
    return name.toCaseFolded();
}

QString key(const QString &name) { return writtenKey(name.trimmed()); }

bool isSameDestination(const QString &a, const QString &b) { return key(a) == key(b); }

} // namespace DestinationName
