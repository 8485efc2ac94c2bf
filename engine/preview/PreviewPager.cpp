#include "PreviewPager.h"

#include <algorithm>

bool PreviewPager::open(const QString &path)
{
    m_currentPage = 0;
    m_readPosition = 2;
    return m_reader.open(path);
}

void PreviewPager::refresh() { m_reader.refresh(); }

void PreviewPager::setReadPosition(qint32 record) { m_readPosition = record; }

qint32 PreviewPager::seekPage(qint16 n)
{
    const qint32 count = m_reader.recordCount();
    qint32 p = std::clamp(m_readPosition, 2, std::max(count, 2));
    if (n > m_currentPage) {
        for (; p <= count; ++p) {
            if (m_reader.pageOf(p) >= n) {
                m_readPosition = p;
                return p;
            }
        }
        m_readPosition = count + 1;
        return count + 1;
    }
    for (; p >= 2; --p) {
        if (p <= count && m_reader.pageOf(p) < n) {
            m_readPosition = p + 1;
            return p + 1;
        }
    }
    m_readPosition = 2;
    return 2;
}

std::optional<qint16> PreviewPager::search(const QString &text, bool fromTop)
{
    const QString wanted = text.toUpper();
    qint32 start;
    if (fromTop) {
        start = seekPage(1);
    } else {
        if (m_currentPage >= m_totalPages)
            return std::nullopt;
        start = seekPage(qint16(m_currentPage + 1));
    }
    ReportFormat::Record record;
    const qint32 count = m_reader.recordCount();
    for (qint32 n = start; n <= count; ++n) {
        if (!m_reader.readRecord(n, record))
            break;
        m_readPosition = n + 1;
        if (record.keyword() == ReportFormat::Keyword::TextOut
            && record.fullText().toUpper().contains(wanted)) {
            m_currentPage = record.page();
            return record.page();
        }
    }
    return std::nullopt;
}
