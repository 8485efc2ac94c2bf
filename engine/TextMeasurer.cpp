#include "TextMeasurer.h"

namespace {
// A fresh measuring surface starts with a small sans-serif font, as a blank page picture does.
const QString defaultFace = QStringLiteral("Arial");
constexpr qint16 defaultPoints = 8;

quint64 nextFontSerial()
{
    static quint64 serial = 0;
    return ++serial;
}
} // namespace

TextMeasurer::TextMeasurer()
    : m_face(defaultFace)
    , m_points(defaultPoints)
    , m_font(twipsFont(defaultFace, defaultPoints, false, false, false))
    , m_metrics(m_font)
    , m_fontSerial(nextFontSerial())
{
}

void TextMeasurer::setFont(
    const QString &face, qint16 points, bool bold, bool italic, bool underline)
{
    m_face = face.trimmed();
    m_points = points;
    m_font = twipsFont(m_face, points, bold, italic, underline);
    m_metrics = QFontMetricsF(m_font);
    m_fontSerial = nextFontSerial();
}

double TextMeasurer::textWidthTwips(const QString &text) const
{
    if (text.isEmpty())
        return 0.0;
    return m_metrics.horizontalAdvance(text);
}

double TextMeasurer::lineHeightTwips() const { return m_metrics.ascent() + m_metrics.descent(); }

QFont TextMeasurer::twipsFont(
    const QString &face, double points, bool bold, bool italic, bool underline)
{
    QFont font(face);
    // One pixel of this font is one twip: 20 twips per point.
    font.setPixelSize(qMax(1, qRound(points * 20.0)));
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    // Metrics must not depend on the screen's hinting: positions are decided for paper.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferOutline);
    return font;
}
