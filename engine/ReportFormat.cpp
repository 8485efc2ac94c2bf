#include "ReportFormat.h"

#include "UnitConverter.h"

#include <cmath>

namespace ReportFormat {

namespace {

    struct KeywordName
    {
        Keyword keyword;
        const char *field; // exactly KeywordSize characters
    };

    constexpr KeywordName keywordNames[] = {
        {Keyword::SetFont, "SETFONT "},
        {Keyword::TextOut, "TEXTOUT "},
        {Keyword::LineOut, "LINEOUT "},
        {Keyword::BoxOut, "BOXOUT  "},
        {Keyword::ImageOut, "IMAGEOUT"},
        {Keyword::NewPage, "NEWPAGE "},
        {Keyword::EndDoc, "ENDDOC  "},
    };

    // Code points of the bytes 0x80 to 0x9F; the five bytes Windows leaves undefined keep their
    // C1 control so that they survive a round trip.
    constexpr char16_t cp1252High[32] = {
        0x20AC,
        0x0081,
        0x201A,
        0x0192,
        0x201E,
        0x2026,
        0x2020,
        0x2021,
        0x02C6,
        0x2030,
        0x0160,
        0x2039,
        0x0152,
        0x008D,
        0x017D,
        0x008F,
        0x0090,
        0x2018,
        0x2019,
        0x201C,
        0x201D,
        0x2022,
        0x2013,
        0x2014,
        0x02DC,
        0x2122,
        0x0161,
        0x203A,
        0x0153,
        0x009D,
        0x017E,
        0x0178,
    };

    char encodeChar(char32_t c)
    {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
            return char(c);
        for (int i = 0; i < 32; ++i) {
            if (cp1252High[i] == c)
                return char(0x80 + i);
        }
        return '?';
    }

    bool isPadding(char c) { return c == ' ' || c == '\0'; }

} // namespace

const char *keywordField(Keyword keyword)
{
    for (const KeywordName &k : keywordNames) {
        if (k.keyword == keyword)
            return k.field;
    }
    return "        ";
}

Keyword keywordOf(const char *field)
{
    int begin = 0;
    int end = KeywordSize;
    while (begin < end && field[begin] == ' ')
        ++begin;
    while (end > begin && field[end - 1] == ' ')
        --end;
    const int length = end - begin;
    for (const KeywordName &k : keywordNames) {
        int kl = KeywordSize;
        while (kl > 0 && k.field[kl - 1] == ' ')
            --kl;
        if (kl == length && std::memcmp(field + begin, k.field, size_t(length)) == 0)
            return k.keyword;
    }
    return Keyword::Unknown;
}

namespace {

// Encodes text into at most capacity bytes and returns how many it wrote.
qsizetype encodeCp1252(QStringView text, char *out, qsizetype capacity)
{
    qsizetype written = 0;
    for (qsizetype i = 0; i < text.size() && written < capacity; ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        out[written++] = encodeChar(c);
    }
    return written;
}

} // namespace

QByteArray toCp1252(QStringView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    out.truncate(encodeCp1252(text, out.data(), out.size()));
    return out;
}

QString fromCp1252(const char *bytes, qsizetype length)
{
    QString out(length, Qt::Uninitialized);
    QChar *dst = out.data();
    for (qsizetype i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        dst[i] = (b >= 0x80 && b <= 0x9F) ? QChar(cp1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

QString fromCp1252(const QByteArray &bytes) { return fromCp1252(bytes.constData(), bytes.size()); }

QByteArray trimmedField(const char *field, int size)
{
    int begin = 0;
    int end = size;
    while (begin < end && isPadding(field[begin]))
        ++begin;
    while (end > begin && isPadding(field[end - 1]))
        --end;
    return QByteArray(field + begin, end - begin);
}

void putText(RecordBytes &r, int offset, int size, QStringView text)
{
    // Straight into the record: this runs once per recorded text.
    const qsizetype n = encodeCp1252(text, r.data() + offset, size);
    std::memset(r.data() + offset + n, ' ', size_t(size - n));
}

Header Header::fromRecord(const RecordBytes &r)
{
    Header h;
    h.orientation = int16At(r, HeaderField::Orientation);
    h.scaleMode = int16At(r, HeaderField::ScaleMode);
    h.spacing = doubleAt(r, HeaderField::Spacing);
    h.autoHeadings = flagAt(r, HeaderField::AutoHeadings);
    h.autoHeadingsFontName = fromCp1252(
        trimmedField(r.data() + HeaderField::AutoHeadingsFontName, MaxHeaderTextChars));
    h.autoHeadingsFontSize = int16At(r, HeaderField::AutoHeadingsFontSize);
    h.autoHeadingsFontAttr = int32At(r, HeaderField::AutoHeadingsFontAttr);
    h.autoNewPage = flagAt(r, HeaderField::AutoNewPage);
    h.title = fromCp1252(trimmedField(r.data() + HeaderField::Title, MaxHeaderTextChars));
    return h;
}

Header Header::defaults(bool autoNewPage)
{
    Header h;
    h.orientation = 1;
    h.scaleMode = UnitConverter::Inch;
    h.spacing = 1.3;
    h.autoHeadings = false;
    h.autoHeadingsFontName = QStringLiteral("Arial");
    h.autoHeadingsFontSize = 12;
    h.autoHeadingsFontAttr = 0;
    h.autoNewPage = autoNewPage;
    return h;
}

void Header::writeTo(RecordBytes &r) const
{
    putInt16(r, HeaderField::Orientation, orientation);
    putInt16(r, HeaderField::ScaleMode, scaleMode);
    putDouble(r, HeaderField::Spacing, spacing);
    putFlag(r, HeaderField::AutoHeadings, autoHeadings);
    putText(r, HeaderField::AutoHeadingsFontName, MaxHeaderTextChars, autoHeadingsFontName);
    putInt16(r, HeaderField::AutoHeadingsFontSize, autoHeadingsFontSize);
    putInt32(r, HeaderField::AutoHeadingsFontAttr, autoHeadingsFontAttr);
    putFlag(r, HeaderField::AutoNewPage, autoNewPage);
    putText(r, HeaderField::Title, MaxHeaderTextChars, title);
    std::memset(r.data() + HeaderField::Reserved, 0, size_t(RecordSize - HeaderField::Reserved));
}

bool isValidHeader(const RecordBytes &r)
{
    const auto isFlag = [&r](int offset) {
        const qint16 v = int16At(r, offset);
        return v == 0 || v == -1;
    };
    const qint16 orientation = int16At(r, HeaderField::Orientation);
    if (orientation != 1 && orientation != 2)
        return false;
    if (!UnitConverter::isValidUnit(int16At(r, HeaderField::ScaleMode)))
        return false;
    if (!std::isfinite(doubleAt(r, HeaderField::Spacing)))
        return false;
    if (!isFlag(HeaderField::AutoHeadings) || !isFlag(HeaderField::AutoNewPage))
        return false;
    for (int i = HeaderField::Reserved; i < RecordSize; ++i) {
        if (r[i] != 0)
            return false;
    }
    return true;
}

QString Record::fontName() const
{
    return fromCp1252(trimmedField(bytes.data() + FontField::Name, MaxFontNameChars));
}

QString Record::text() const { return fromCp1252(textBytes()); }

QByteArray Record::textBytes() const
{
    return trimmedField(bytes.data() + TextField::Text, MaxTextChars);
}

QString Record::fullText() const
{
    return fromCp1252(bytes.data() + TextField::Text, MaxTextChars);
}

QString Record::imagePath() const
{
    // Only the padding goes: a path is used as given, leading blanks included.
    const char *field = bytes.data() + ShapeField::ImagePath;
    int end = MaxImagePathChars;
    while (end > 0 && isPadding(field[end - 1]))
        --end;
    return fromCp1252(field, end);
}

namespace {
    Record startRecord(qint16 page, Keyword keyword)
    {
        Record r;
        putInt16(r.bytes, PageOffset, page);
        std::memcpy(r.bytes.data() + KeywordOffset, keywordField(keyword), KeywordSize);
        return r;
    }
} // namespace

Record Record::setFont(
    qint16 page, QStringView name, qint16 size, bool bold, bool italic, bool underline)
{
    Record r = startRecord(page, Keyword::SetFont);
    putText(r.bytes, FontField::Name, MaxFontNameChars, name);
    putInt16(r.bytes, FontField::Size, size);
    putFlag(r.bytes, FontField::Bold, bold);
    putFlag(r.bytes, FontField::Italic, italic);
    putFlag(r.bytes, FontField::Underline, underline);
    return r;
}

Record Record::textOut(qint16 page, double x, double y, QStringView text)
{
    Record r = startRecord(page, Keyword::TextOut);
    putDouble(r.bytes, TextField::X, x);
    putDouble(r.bytes, TextField::Y, y);
    putText(r.bytes, TextField::Text, MaxTextChars, text.left(MaxTextChars * 2));
    return r;
}

Record Record::shape(qint16 page, Keyword keyword, double x1, double y1, double x2, double y2)
{
    Record r = startRecord(page, keyword);
    putDouble(r.bytes, ShapeField::X1, x1);
    putDouble(r.bytes, ShapeField::Y1, y1);
    putDouble(r.bytes, ShapeField::X2, x2);
    putDouble(r.bytes, ShapeField::Y2, y2);
    return r;
}

Record Record::imageOut(
    qint16 page, double x, double y, double width, double height, QStringView path)
{
    Record r = shape(page, Keyword::ImageOut, x, y, width, height);
    putText(r.bytes, ShapeField::ImagePath, MaxImagePathChars, path);
    return r;
}

Record Record::pageMark(qint16 page, Keyword keyword) { return startRecord(page, keyword); }

} // namespace ReportFormat
