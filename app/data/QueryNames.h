#pragma once

#include "data/Database.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

// How fields and parameters are named, shared by the record sets and the stored-query reader.
namespace QueryNames {

// The position of a field in a result's columns, -1 when absent. Names match without regard to
// case; "Tarifs.NoDestination" finds "NoDestination", and "NoDestination" finds a column
// named "Tarifs.NoDestination".
int position(const QStringList &columns, const QString &name);

// The values to bind, keyed by placeholder (":prmDestination"), from values keyed by the
// bracketed names ("[prmDestination]", any case). An unknown or a missing parameter throws
// DataError.
QHash<QString, QVariant> bindings(
    const StoredQueryDefinition &query, const QHash<QString, QVariant> &parameters);

} // namespace QueryNames
