#include "PreviewPager.h"

#include <QByteArrayMatcher>

#include <array>
#include <cstring>

using namespace ReportFormat;

namespace {

// Capitals of the code page's bytes, where a capital is one byte of the code page too; 0 where
// it is not (ß becomes "SS", µ has no capital in the code page): such texts are compared as
// Unicode strings.
std::array<char, 256> capitalsTable()
{
    std::array<char, 256> table {};
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        const QString upper = fromCp1252(&byte, 1).toUpper();
        const QByteArray back = toCp1252(upper);
        table[size_t(b)] = (upper.size() == 1 && back.size() == 1 && back != "?") || b == '?'
            ? back.at(0)
            : char(0);
    }
    table[0] = 0;
    return table;
}

// Whether the text field holds the wanted capitals, as toUpper().contains() on its text
// would tell.
class CapitalsMatcher
{
public:
    explicit CapitalsMatcher(const QString &wanted)
        : m_wanted(wanted)
        , m_table(capitalsTable())
    {
        const QByteArray bytes = toCp1252(wanted);
        m_bytewise = fromCp1252(bytes) == wanted;
        for (const char c : bytes) {
            if (m_table[static_cast<unsigned char>(c)] != c)
                m_bytewise = false;
        }
        m_matcher.setPattern(bytes);
    }

    bool matches(const Record &record) const
    {
        const char *field = record.bytes.data() + TextField::Text;
        if (m_bytewise) {
            // The trailing blanks are their own capitals: a match reaches at most as many of
            // them as the wanted text is long.
            int used = MaxTextChars;
            while (used >= 8 && std::memcmp(field + used - 8, "        ", 8) == 0)
                used -= 8;
            while (used > 0 && field[used - 1] == ' ')
                --used;
            const int length = int(qMin<qsizetype>(MaxTextChars, used + m_wanted.size()));
            std::array<char, MaxTextChars> capitals {};
            bool simple = true;
            for (int i = 0; i < length; ++i) {
                const auto b = static_cast<unsigned char>(field[i]);
                const char c = m_table[b];
                if (c == 0 && b != 0) {
                    simple = false;
                    break;
                }
                capitals[size_t(i)] = c;
            }
            if (simple)
                return m_matcher.indexIn(capitals.data(), length) >= 0;
        }
        return record.fullText().toUpper().contains(m_wanted);
    }

private:
    QString m_wanted;
    std::array<char, 256> m_table;
    bool m_bytewise = false;
    QByteArrayMatcher m_matcher;
};

} // namespace

bool PreviewPager::open(const QString &path)
{
    m_currentPage = 0;
    m_readPosition = 2;
    m_index.clear();
    if (!m_reader.open(path))
        return false;
    m_index.build(m_reader);
    return true;
}

void PreviewPager::close()
{
    m_reader.close();
    m_index.clear();
}

void PreviewPager::refresh()
{
    if (m_reader.refresh() && m_reader.recordCount() != m_index.recordCount())
        m_index.build(m_reader);
}

void PreviewPager::setReadPosition(qint32 record) { m_readPosition = record; }

qint32 PreviewPager::seekPage(qint16 n)
{
    m_readPosition = m_index.firstRecord(n);
    return m_readPosition;
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
    const CapitalsMatcher matcher(wanted);
    Record record;
    const qint32 count = m_reader.recordCount();
    for (qint32 n = start; n <= count; ++n) {
        if (!m_reader.readRecord(n, record))
            break;
        m_readPosition = n + 1;
        if (record.keyword() == Keyword::TextOut && matcher.matches(record)) {
            m_currentPage = record.page();
            return record.page();
        }
    }
    return std::nullopt;
}
