#include "LineFitter.h"

#include "TextMeasurer.h"

#include <cmath>

namespace {
// How near the edge a line is measured whole: a point, far more than any rounding of a sum.
constexpr double nearEdgeTwips = 20.0;
} // namespace

LineFitter::LineFitter(std::function<const TextMeasurer &()> measurer,
    std::function<bool(double twips)> fitsWidth, double edgeTwips)
    : m_measurer(std::move(measurer))
    , m_fitsWidth(std::move(fitsWidth))
    , m_edgeTwips(edgeTwips)
{
}

const TextMeasurer &LineFitter::measurer()
{
    const TextMeasurer &current = m_measurer();
    if (current.fontSerial() != m_fontSerial) {
        m_fontSerial = current.fontSerial();
        m_words.clear();
        m_chars.clear();
        m_joins.clear();
        m_lineSize = -1;
    }
    return current;
}

double LineFitter::measured(QStringView text) { return measurer().textWidthTwips(text.toString()); }

double LineFitter::wordWidth(QStringView word)
{
    const QString key = word.toString();
    const auto found = m_words.constFind(key);
    if (found != m_words.constEnd())
        return *found;
    const double width = measurer().textWidthTwips(key);
    m_words.insert(key, width);
    return width;
}

double LineFitter::charWidth(QChar c)
{
    const auto found = m_chars.constFind(c.unicode());
    if (found != m_chars.constEnd())
        return *found;
    const double width = measurer().textWidthTwips(QString(c));
    m_chars.insert(c.unicode(), width);
    return width;
}

double LineFitter::joinWidth(QChar left, QChar right)
{
    const quint32 key = (quint32(left.unicode()) << 16) | right.unicode();
    const auto found = m_joins.constFind(key);
    if (found != m_joins.constEnd())
        return *found;
    const QChar pair[] = {left, right};
    const double width
        = measurer().textWidthTwips(QString(pair, 2)) - charWidth(left) - charWidth(right);
    m_joins.insert(key, width);
    return width;
}

bool LineFitter::operator()(QStringView line, QStringView word)
{
    measurer(); // forgets the widths of another font
    double width = 0.0;
    if (line.isEmpty()) {
        // The word alone: its measure is the whole measure.
        width = wordWidth(word);
    } else {
        // A line this test did not see fit is one that starts anew: a single word.
        const bool known = line.data() == m_lineData && line.size() == m_lineSize;
        width = known ? m_lineTwips : wordWidth(line);
        if (!word.isEmpty()) {
            const QChar left = line.back();
            const QChar right = word.front();
            // Half of a character pair has no join of its own to measure.
            const bool summed = !left.isSurrogate() && !right.isSurrogate();
            if (summed)
                width += joinWidth(left, right) + wordWidth(word);
            if (!summed || std::abs(width - m_edgeTwips) <= nearEdgeTwips)
                width = measured(QStringView(line.data(), line.size() + word.size()));
        }
    }
    const bool fits = m_fitsWidth(width);
    if (fits) {
        m_lineData = line.isEmpty() ? word.data() : line.data();
        m_lineSize = line.size() + word.size();
        m_lineTwips = width;
    }
    return fits;
}
