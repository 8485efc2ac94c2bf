#pragma once

#include <QtGlobal>

#include <vector>

class ReportReader;

// Where each page of a report starts and which font is in force there, found in one pass over
// the file, so any page can be reached and drawn as on paper without reading the pages
// before it again.
class PageIndex
{
public:
    // Walks the command records of the reader's file. Page numbers are expected not to
    // decrease; a page number below an earlier one counts as that earlier page.
    void build(ReportReader &reader);
    void clear();

    // Number of records the index was built on (the header included).
    qint32 recordCount() const { return m_recordCount; }
    // Highest page number met.
    qint16 highestPage() const { return qint16(m_first.size()); }

    // First record of page n: the first record of page n or more; recordCount() + 1 when no
    // record has such a page number, 2 for n below 1.
    qint32 firstRecord(qint16 n) const;
    // The SETFONT record in force where page n starts, the last one before its first record;
    // 0 when there is none.
    qint32 fontRecord(qint16 n) const;

private:
    qint32 m_recordCount = 0;
    qint32 m_lastFont = 0; // the last SETFONT of the file, in force after it
    std::vector<qint32> m_first; // per page from 1
    std::vector<qint32> m_font; // per page from 1
};
