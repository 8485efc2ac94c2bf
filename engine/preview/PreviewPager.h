#pragma once

#include "PageIndex.h"
#include "ReportReader.h"

#include <QString>

#include <optional>

// The preview's walk through the report file: which record starts a page and which font is in
// force there, from a page index built when the file is opened, so any page costs only its own
// records whichever page was shown before.
class PreviewPager
{
public:
    // Opens a read-only handle of its own and indexes the pages; false with errorString() when
    // it cannot.
    bool open(const QString &path);
    void close();
    QString errorString() const { return m_reader.errorString(); }
    ReportReader &reader() { return m_reader; }
    const PageIndex &index() const { return m_index; }

    // Re-reads the header and the record count, and the page index when the file has grown.
    void refresh();
    void setTotalPages(qint16 total) { m_totalPages = total; }
    qint16 totalPages() const { return m_totalPages; }
    qint32 recordCount() const { return m_reader.recordCount(); }

    qint16 currentPage() const { return m_currentPage; }
    void setCurrentPage(qint16 page) { m_currentPage = page; }
    // The record after the last one read.
    qint32 readPosition() const { return m_readPosition; }
    void setReadPosition(qint32 record);

    // First record of page n; the record count + 1 when a later page has no record.
    qint32 seekPage(qint16 n);
    // The SETFONT record in force where page n starts; 0 when there is none.
    qint32 fontRecordOf(qint16 n) const { return m_index.fontRecord(n); }

    // Looks for the text, in capitals, in the TEXTOUT records from the next page (or from the
    // first one) to the end. Returns the page holding it and makes it the current page.
    std::optional<qint16> search(const QString &text, bool fromTop);

private:
    ReportReader m_reader;
    PageIndex m_index;
    qint16 m_totalPages = 0;
    qint16 m_currentPage = 0;
    qint32 m_readPosition = 2;
};
