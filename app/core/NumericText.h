#pragma once

#include "Currency.h"

#include <QString>

// Reads the decimal number at the start of a text, whatever the locale: blanks, tabs and line
// feeds are skipped wherever they stand; an optional sign, digits with at most one period and an
// optional exponent are read; reading stops at the first other character. No digits gives 0.
double numericValue(const QString &text);

// Whether numericValue would read the text only in part: a digit stands after the place where
// reading stopped, as in "1,200" (read as 1) or "1.200.5". Such a text is no figure to price.
bool readsOnlyInPart(const QString &text);

enum class CurrencySpacing { BlankBeforeSign, NoBlankBeforeSign };

// Writes an amount as "# ##0.00 $" (or "# ##0.00$"): two decimals, a period, and one blank
// before the last three digits of the integer part when it has more than three.
QString formatAmount(Currency amount, CurrencySpacing spacing = CurrencySpacing::BlankBeforeSign);
QString formatAmount(double amount, CurrencySpacing spacing = CurrencySpacing::BlankBeforeSign);

// Rounds to the nearest whole number, halves to even, saturating at the bounds of qint32
// (NaN gives 0).
qint32 roundToInt32(double value);
// The same within the 16-bit range.
qint16 roundToInt16(double value);
