#include "rateadjust/RateGridColumns.h"

#include "core/Currency.h"
#include "core/NumericText.h"
#include "data/Schema.h"

#include <limits>

namespace RateGridColumns {

QString queryName(RateKind kind)
{
    return kind == RateKind::Weight ? QStringLiteral("ModifTarifPoids2")
                                    : QStringLiteral("ModifTarifPal2");
}

QString carrierParameter() { return QStringLiteral("[prmNoTrans]"); }

QVector<RateGridColumn> columns(RateKind kind)
{
    QVector<RateGridColumn> result {{QStringLiteral("Destination"), QStringLiteral("Destination")}};
    if (kind == RateKind::Weight) {
        const QStringList captions {QStringLiteral("Min"), QStringLiteral("LTL"),
            QStringLiteral("500 lbs"), QStringLiteral("1000 lbs"), QStringLiteral("2000 lbs"),
            QStringLiteral("5000 lbs"), QStringLiteral("10000 lbs")};
        const QStringList fields = Schema::weightRateColumns();
        for (int i = 0; i < fields.size(); ++i)
            result.append({captions.value(i, fields[i]), fields[i]});
    } else {
        // The pallet columns are captioned with their field names.
        for (const QString &field : Schema::palletRateColumns())
            result.append({field, field});
    }
    return result;
}

int rateColumnTwips(RateKind kind) { return kind == RateKind::Weight ? 800 : 750; }

QString displayText(const QVariant &stored)
{
    if (stored.isNull())
        return {};
    return formatAmount(
        Currency::fromTenThousandths(stored.toLongLong()), CurrencySpacing::NoBlankBeforeSign);
}

QString editText(const QVariant &stored)
{
    if (stored.isNull())
        return {};
    const qint64 units = stored.toLongLong();
    const bool negative = units < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(units) : quint64(units);
    QString fraction
        = QStringLiteral("%1").arg(magnitude % Currency::UnitsPerDollar, 4, 10, QLatin1Char('0'));
    while (fraction.size() > 2 && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    return (negative ? QStringLiteral("-") : QString())
        + QString::number(magnitude / Currency::UnitsPerDollar) + QLatin1Char('.') + fraction;
}

bool parseRate(const QString &text, QVariant *stored)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty()) {
        *stored = QVariant();
        return true;
    }
    const qsizetype point = typed.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? typed : typed.left(point);
    const QString decimals = point < 0 ? QString() : typed.mid(point + 1);
    if (whole.isEmpty() && decimals.isEmpty())
        return false;
    const auto allDigits = [](const QString &part) {
        for (const QChar c : part) {
            if (c < u'0' || c > u'9')
                return false;
        }
        return true;
    };
    if (!allDigits(whole) || !allDigits(decimals))
        return false;

    constexpr qint64 Max = std::numeric_limits<qint64>::max();
    qint64 units = 0;
    for (const QChar c : whole) {
        if (__builtin_mul_overflow(units, qint64(10), &units)
            || __builtin_add_overflow(units, qint64(c.unicode() - u'0'), &units))
            return false;
    }
    if (__builtin_mul_overflow(units, Currency::UnitsPerDollar, &units))
        return false;
    qint64 fraction = 0;
    qint64 scale = Currency::UnitsPerDollar / 10;
    for (qsizetype i = 0; i < decimals.size() && i < 4; ++i, scale /= 10)
        fraction += (decimals[i].unicode() - u'0') * scale;
    if (__builtin_add_overflow(units, fraction, &units))
        return false;
    if (decimals.size() > 4) {
        // Round the ten-thousandths on what follows them, halves to even.
        const QChar first = decimals[4];
        bool beyondHalf = first > u'5';
        if (first == u'5') {
            bool rest = false;
            for (qsizetype i = 5; i < decimals.size(); ++i)
                rest = rest || decimals[i] != u'0';
            beyondHalf = rest || units % 2 == 1;
        }
        if (beyondHalf) {
            if (units == Max)
                return false;
            ++units;
        }
    }
    *stored = QVariant(units);
    return true;
}

} // namespace RateGridColumns
