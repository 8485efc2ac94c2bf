#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtEndian>

#include <array>
#include <cstring>

// The layout of the report file: fixed records of 256 bytes, little-endian, record 1 the header
// and records 2 and up the commands in recording order. Writer, readers, replays and the text
// export all go through these definitions.
namespace ReportFormat {

constexpr qint64 RecordSize = 256;
using RecordBytes = std::array<char, RecordSize>;

// Limits that follow from the field sizes.
constexpr int MaxTextChars = 230;
constexpr int MaxFontNameChars = 200;
constexpr int MaxImagePathChars = 214;
constexpr int MaxHeaderTextChars = 100;
constexpr qint16 MaxPage = 32767;

// Header record.
namespace HeaderField {
    constexpr int Orientation = 0; // int16
    constexpr int ScaleMode = 2; // int16
    constexpr int Spacing = 4; // double
    constexpr int AutoHeadings = 12; // flag
    constexpr int AutoHeadingsFontName = 14; // text 100
    constexpr int AutoHeadingsFontSize = 114; // int16
    constexpr int AutoHeadingsFontAttr = 116; // int32
    constexpr int AutoNewPage = 120; // flag
    constexpr int Title = 122; // text 100
    constexpr int Reserved = 222; // zero 34
} // namespace HeaderField

// Fields every command record starts with.
constexpr int PageOffset = 0; // int16
constexpr int KeywordOffset = 2; // text 8
constexpr int KeywordSize = 8;

// SETFONT.
namespace FontField {
    constexpr int Name = 10; // text 200
    constexpr int Size = 210; // int16
    constexpr int Bold = 212; // flag
    constexpr int Italic = 214; // flag
    constexpr int Underline = 216; // flag
} // namespace FontField

// TEXTOUT.
namespace TextField {
    constexpr int X = 10; // double
    constexpr int Y = 18; // double
    constexpr int Text = 26; // text 230
} // namespace TextField

// LINEOUT, BOXOUT (two corners) and IMAGEOUT (left, top, width, height, path).
namespace ShapeField {
    constexpr int X1 = 10; // double
    constexpr int Y1 = 18; // double
    constexpr int X2 = 26; // double
    constexpr int Y2 = 34; // double
    constexpr int ImagePath = 42; // text 214
} // namespace ShapeField

enum class Keyword { Unknown, SetFont, TextOut, LineOut, BoxOut, ImageOut, NewPage, EndDoc };

// The keyword as stored: upper case, padded with blanks to 8 characters.
const char *keywordField(Keyword keyword);
// Compares the stored keyword with its blanks removed, exact case.
Keyword keywordOf(const char *field);

// Text fields use the Windows-1252 code page: one byte per character, a character it cannot
// hold becomes '?'.
QByteArray toCp1252(QStringView text);
QString fromCp1252(const char *bytes, qsizetype length);
QString fromCp1252(const QByteArray &bytes);

// The bytes of a text field without its leading and trailing blanks (zero bytes of a field the
// writer never assigned count as padding too).
QByteArray trimmedField(const char *field, int size);

// Unbounded little-endian accessors on a record.
inline void putInt16(RecordBytes &r, int offset, qint16 v)
{
    qToLittleEndian(v, r.data() + offset);
}
inline void putInt32(RecordBytes &r, int offset, qint32 v)
{
    qToLittleEndian(v, r.data() + offset);
}
inline void putDouble(RecordBytes &r, int offset, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    qToLittleEndian(bits, r.data() + offset);
}
inline void putFlag(RecordBytes &r, int offset, bool v)
{
    putInt16(r, offset, v ? qint16(-1) : qint16(0));
}
// Writes the text left-aligned, cut to size characters and padded with blanks.
void putText(RecordBytes &r, int offset, int size, QStringView text);

inline qint16 int16At(const RecordBytes &r, int offset)
{
    return qFromLittleEndian<qint16>(r.data() + offset);
}
inline qint32 int32At(const RecordBytes &r, int offset)
{
    return qFromLittleEndian<qint32>(r.data() + offset);
}
inline double doubleAt(const RecordBytes &r, int offset)
{
    const quint64 bits = qFromLittleEndian<quint64>(r.data() + offset);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
inline bool flagAt(const RecordBytes &r, int offset) { return int16At(r, offset) != 0; }

// The header record, decoded.
struct Header
{
    qint16 orientation = 0;
    qint16 scaleMode = 0;
    double spacing = 0;
    bool autoHeadings = false;
    QString autoHeadingsFontName;
    qint16 autoHeadingsFontSize = 0;
    qint32 autoHeadingsFontAttr = 0;
    bool autoNewPage = false;
    QString title;

    static Header fromRecord(const RecordBytes &r);
    // The values BeginDoc writes; AutoNewPage is the engine's.
    static Header defaults(bool autoNewPage);
    void writeTo(RecordBytes &r) const;
};

// Whether a record can be the header of a report file: known orientation and unit, valid
// flags, a finite spacing and a zero reserved area.
bool isValidHeader(const RecordBytes &r);

// One command record with typed accessors per layout.
class Record
{
public:
    RecordBytes bytes {};

    qint16 page() const { return int16At(bytes, PageOffset); }
    Keyword keyword() const { return keywordOf(bytes.data() + KeywordOffset); }

    // SETFONT
    QString fontName() const; // blanks removed
    qint16 fontSize() const { return int16At(bytes, FontField::Size); }
    bool bold() const { return flagAt(bytes, FontField::Bold); }
    bool italic() const { return flagAt(bytes, FontField::Italic); }
    bool underline() const { return flagAt(bytes, FontField::Underline); }

    // TEXTOUT
    double textX() const { return doubleAt(bytes, TextField::X); }
    double textY() const { return doubleAt(bytes, TextField::Y); }
    QString text() const; // blanks removed
    QByteArray textBytes() const; // the stored bytes, blanks removed
    QString fullText() const; // all 230 characters, padding included

    // LINEOUT, BOXOUT, IMAGEOUT
    double x1() const { return doubleAt(bytes, ShapeField::X1); }
    double y1() const { return doubleAt(bytes, ShapeField::Y1); }
    double x2() const { return doubleAt(bytes, ShapeField::X2); }
    double y2() const { return doubleAt(bytes, ShapeField::Y2); }
    double imageWidth() const { return x2(); }
    double imageHeight() const { return y2(); }
    QString imagePath() const; // trailing padding removed

    static Record setFont(
        qint16 page, QStringView name, qint16 size, bool bold, bool italic, bool underline);
    static Record textOut(qint16 page, double x, double y, QStringView text);
    static Record shape(qint16 page, Keyword keyword, double x1, double y1, double x2, double y2);
    static Record imageOut(
        qint16 page, double x, double y, double width, double height, QStringView path);
    static Record pageMark(qint16 page, Keyword keyword); // NEWPAGE or ENDDOC
};

} // namespace ReportFormat
