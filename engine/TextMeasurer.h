#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <optional>

// Measures text as it will land on paper: the font is sized in twips (a 12-point font is 240
// twips high), so its advance widths and line height are twips at the paper's resolution.
class TextMeasurer
{
public:
    TextMeasurer();

    // Face with surrounding blanks removed, whole points.
    void setFont(const QString &face, qint16 points, bool bold, bool italic, bool underline);
    QString face() const { return m_face; }
    qint16 points() const { return m_points; }
    bool bold() const { return m_font.bold(); }
    bool italic() const { return m_font.italic(); }
    bool underline() const { return m_font.underline(); }

    // Changes whenever the measuring font does, also from one measurer to the next, so that
    // widths remembered under one font are not taken for another.
    quint64 fontSerial() const { return m_fontSerial; }

    // Advance width of the text in twips.
    double textWidthTwips(const QString &text) const;
    // Height of a line holding "X": the font's ascent plus descent, in twips.
    double lineHeightTwips() const;

    // A font of the face, points and attributes, sized in twips.
    static QFont twipsFont(
        const QString &face, double points, bool bold, bool italic, bool underline);

private:
    QString m_face;
    qint16 m_points = 0;
    QFont m_font;
    QFontMetricsF m_metrics;
    quint64 m_fontSerial = 0;
};
