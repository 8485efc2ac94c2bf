#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

#include <functional>

class TextMeasurer;

// The width test of memo lines, word by word, without measuring every line again from its
// start. A line's width is its last width plus the next word's width plus the change the two
// make where they join (kerning), each of these measured once and remembered. Only a line whose
// width so found comes near the column's edge is measured whole, as the layout always measured
// it, so no line breaks elsewhere than a whole measure would put it.
class LineFitter
{
public:
    // measurer: the measuring surface's, asked for at every measure, since a page break inside
    // a memo may change its font or make a new surface. fitsWidth: the column test on a width
    // in twips. edgeTwips: the column width in twips, where lines are measured whole.
    LineFitter(std::function<const TextMeasurer &()> measurer,
        std::function<bool(double twips)> fitsWidth, double edgeTwips);

    // The MemoWrapper test: line and word are views into one text, the word right after the
    // line.
    bool operator()(QStringView line, QStringView word);

private:
    double measured(QStringView text);
    double wordWidth(QStringView word);
    double charWidth(QChar c);
    double joinWidth(QChar left, QChar right);

    const TextMeasurer &measurer();

    std::function<const TextMeasurer &()> m_measurer;
    quint64 m_fontSerial = 0;
    std::function<bool(double)> m_fitsWidth;
    double m_edgeTwips;
    // The last line found to fit and its width.
    const QChar *m_lineData = nullptr;
    qsizetype m_lineSize = -1;
    double m_lineTwips = 0.0;
    QHash<QString, double> m_words;
    QHash<char16_t, double> m_chars;
    QHash<quint32, double> m_joins;
};
