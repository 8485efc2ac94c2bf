#include "data/QueryNames.h"

#include "data/DataError.h"

namespace QueryNames {

int position(const QStringList &columns, const QString &name)
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        return position(columns, name.mid(dot + 1));
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].endsWith(QLatin1Char('.') + name, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

QHash<QString, QVariant> bindings(
    const StoredQueryDefinition &query, const QHash<QString, QVariant> &parameters)
{
    for (auto it = parameters.constBegin(); it != parameters.constEnd(); ++it) {
        if (!query.parameters.contains(it.key(), Qt::CaseInsensitive))
            throw DataError::other(QStringLiteral("The stored query %1 has no parameter %2.")
                                       .arg(query.name, it.key()));
    }
    QHash<QString, QVariant> result;
    for (const QString &parameter : query.parameters) {
        QString placeholder = parameter.trimmed();
        if (placeholder.startsWith(QLatin1Char('[')) && placeholder.endsWith(QLatin1Char(']')))
            placeholder = placeholder.mid(1, placeholder.size() - 2);
        placeholder.prepend(QLatin1Char(':'));
        bool given = false;
        for (auto it = parameters.constBegin(); it != parameters.constEnd(); ++it) {
            if (it.key().compare(parameter, Qt::CaseInsensitive) == 0) {
                result.insert(placeholder, it.value());
                given = true;
            }
        }
        if (!given)
            throw DataError::other(QStringLiteral("The stored query %1 needs the parameter %2.")
                                       .arg(query.name, parameter));
    }
    return result;
}

} // namespace QueryNames
