#include "PrintOptions.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

PrintOptions &PrintOptions::process()
{
    static PrintOptions options;
    return options;
}

int PrintOptions::indexToSelect(
    const QStringList &installed, const QString &wanted, const QString &current)
{
    const QString name = wanted.trimmed().isEmpty() ? current : wanted;
    return int(installed.indexOf(name));
}

int PrintOptions::indexToApply(const QStringList &installed, const QString &chosen)
{
    const QString name = chosen.trimmed();
    for (int i = 0; i < installed.size(); ++i) {
        if (installed.at(i).trimmed() == name)
            return i;
    }
    return -1;
}

qint16 PrintOptions::fieldValue(const QString &text)
{
    QString compact = text;
    compact.remove(QRegularExpression(QStringLiteral("[ \\t\\n]")));
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const QRegularExpressionMatch match = number.match(compact);
    if (!match.hasMatch())
        return 0;
    const double value = std::nearbyint(match.captured(0).toDouble());
    if (!std::isfinite(value))
        return 0;
    return qint16(std::clamp(value, double(std::numeric_limits<qint16>::min()),
        double(std::numeric_limits<qint16>::max())));
}
