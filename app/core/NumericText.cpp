#include "NumericText.h"

#include <cmath>
#include <limits>

namespace {

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

template<typename Int>
Int roundHalfEvenSaturated(double value)
{
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded >= double(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    if (rounded <= double(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    return static_cast<Int>(rounded);
}

} // namespace

namespace {

// The number at the start of text, as numericValue reads it; stop receives the index of the
// first character not read.
double readNumber(const QString &text, qsizetype *stop)
{
    // The significant characters only, as a C-locale number for strtod.
    QByteArray number;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto next = [&]() -> QChar {
        while (i < n && isSkipped(text.at(i)))
            ++i;
        return i < n ? text.at(i) : QChar();
    };

    QChar c = next();
    if (c == u'+' || c == u'-') {
        number += char(c.unicode());
        ++i;
        c = next();
    }
    bool digits = false;
    bool period = false;
    for (;; c = next()) {
        if (c >= u'0' && c <= u'9') {
            digits = true;
        } else if (c == u'.' && !period) {
            period = true;
        } else {
            break;
        }
        number += char(c.unicode());
        ++i;
    }
    *stop = i;
    if (!digits) {
        *stop = 0;
        return 0.0;
    }

    if (c == u'e' || c == u'E') {
        QByteArray exponent("e");
        ++i;
        QChar e = next();
        if (e == u'+' || e == u'-') {
            exponent += char(e.unicode());
            ++i;
            e = next();
        }
        bool exponentDigits = false;
        for (; e >= u'0' && e <= u'9'; e = next()) {
            exponent += char(e.unicode());
            exponentDigits = true;
            ++i;
        }
        if (exponentDigits) {
            number += exponent;
            *stop = i;
        }
    }
    return std::strtod(number.constData(), nullptr);
}

} // namespace

double numericValue(const QString &text)
{
    qsizetype stop = 0;
    return readNumber(text, &stop);
}

bool readsOnlyInPart(const QString &text)
{
    qsizetype stop = 0;
    readNumber(text, &stop);
    for (qsizetype i = stop; i < text.size(); ++i) {
        if (text.at(i) >= u'0' && text.at(i) <= u'9')
            return true;
    }
    return false;
}

QString formatAmount(Currency amount, CurrencySpacing spacing)
{
    // Cents, rounded half away from zero from the exact ten-thousandths.
    const qint64 units = amount.tenThousandths();
    const bool negative = units < 0;
    // Work on the magnitude as unsigned so that the most negative amount cannot overflow.
    const quint64 magnitude = negative ? quint64(0) - quint64(units) : quint64(units);
    const quint64 cents = (magnitude + 50) / 100;

    QString integerPart = QString::number(cents / 100);
    if (integerPart.size() > 3)
        integerPart.insert(integerPart.size() - 3, u' ');
    QString text;
    if (negative && cents != 0)
        text += u'-';
    text += integerPart;
    text += u'.';
    text += QStringLiteral("%1").arg(cents % 100, 2, 10, QLatin1Char('0'));
    text += spacing == CurrencySpacing::BlankBeforeSign ? QStringLiteral(" $") : QStringLiteral("$");
    return text;
}

QString formatAmount(double amount, CurrencySpacing spacing)
{
    return formatAmount(Currency::fromDouble(amount), spacing);
}

qint32 roundToInt32(double value)
{
    return roundHalfEvenSaturated<qint32>(value);
}

qint16 roundToInt16(double value)
{
    return roundHalfEvenSaturated<qint16>(value);
}
