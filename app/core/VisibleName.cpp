#include "VisibleName.h"

namespace {

bool isHidden(char32_t c)
{
    if (c <= 0x1F || (c >= 0x7F && c <= 0x9F))
        return true;
    if (c == 0x00AD || c == 0xFEFF)
        return true;
    return (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E)
        || (c >= 0x2060 && c <= 0x2064) || (c >= 0x2066 && c <= 0x2069);
}

// The hidden character at name[i], if any; a whole pair outside the BMP takes two units.
std::optional<char32_t> hiddenAt(QStringView name, qsizetype &i)
{
    const QChar unit = name.at(i);
    if (unit.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
        ++i; // every listed character is inside the BMP
        return std::nullopt;
    }
    if (unit.isSurrogate() || isHidden(unit.unicode()))
        return char32_t(unit.unicode());
    return std::nullopt;
}

} // namespace

namespace VisibleName {

std::optional<char32_t> firstHiddenCharacter(QStringView name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (const std::optional<char32_t> hidden = hiddenAt(name, i))
            return hidden;
    }
    return std::nullopt;
}

QString shown(QStringView text)
{
    if (!firstHiddenCharacter(text))
        return text.toString();
    QString result;
    result.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype start = i;
        if (const std::optional<char32_t> hidden = hiddenAt(text, i))
            result += QLatin1Char('<') + characterCode(*hidden) + QLatin1Char('>');
        else
            result += text.mid(start, i - start + 1);
    }
    return result;
}

QString characterCode(char32_t c)
{
    return QLatin1String("U+") + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
}

QString problem(QStringView name)
{
    const std::optional<char32_t> hidden = firstHiddenCharacter(name);
    if (!hidden)
        return {};
    return QStringLiteral("holds the invisible character %1").arg(characterCode(*hidden));
}

} // namespace VisibleName
