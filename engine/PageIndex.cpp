#include "PageIndex.h"

#include "ReportReader.h"

using namespace ReportFormat;

void PageIndex::clear()
{
    m_recordCount = 0;
    m_lastFont = 0;
    m_first.clear();
    m_font.clear();
}

void PageIndex::build(ReportReader &reader)
{
    clear();
    m_recordCount = reader.recordCount();
    Record record;
    qint16 top = 0;
    for (qint32 n = 2; n <= m_recordCount; ++n) {
        if (!reader.readRecord(n, record)) {
            m_recordCount = n - 1;
            break;
        }
        const qint16 page = record.page();
        while (top < page) {
            m_first.push_back(n);
            m_font.push_back(m_lastFont);
            ++top;
        }
        if (record.keyword() == Keyword::SetFont)
            m_lastFont = n;
    }
}

qint32 PageIndex::firstRecord(qint16 n) const
{
    if (n < 1)
        return 2;
    if (size_t(n) > m_first.size())
        return m_recordCount + 1;
    return m_first[size_t(n) - 1];
}

qint32 PageIndex::fontRecord(qint16 n) const
{
    if (n < 1)
        return 0;
    if (size_t(n) > m_font.size())
        return m_lastFont;
    return m_font[size_t(n) - 1];
}
