#pragma once

#include "ReportFormat.h"

#include <QFont>
#include <QImage>

class QPainter;
class QPrinter;
class ReportReader;

// Replays the command records of a report onto a QPainter: the one drawing path of the
// preview picture, the printer and a PDF. Positions are taken in the header's unit from the
// paper's top-left corner and drawn in twips on the painter, scaled to its device.
class PageRenderer
{
public:
    struct Target
    {
        double devicePixelsPerTwipX = 1.0;
        double devicePixelsPerTwipY = 1.0;
        // Preview zoom factor (1.0 for 100 %): scales positions, sizes and font sizes.
        double zoom = 1.0;
        // Where the device's origin lies on the paper (printable-area offsets), in twips.
        double originXTwips = 0.0;
        double originYTwips = 0.0;

        // The preview's page picture at a zoom; devicePixelsPerTwip is of the picture's device
        // (e.g. logical dpi / 1440 times the device pixel ratio).
        static Target preview(double zoom, double devicePixelsPerTwip);
        // A printer whose painter starts at its printable area.
        static Target printer(const QPrinter &printer);
    };

    enum class Step {
        Drawn, // a drawing or font record was applied
        Skipped, // unknown keyword
        PageEnd, // NEWPAGE: nothing drawn
        DocumentEnd // ENDDOC: nothing drawn
    };

    PageRenderer(const ReportFormat::Header &header, const Target &target);

    void setTarget(const Target &target) { m_target = target; }
    const Target &target() const { return m_target; }

    // Makes a SETFONT record the current font without drawing: the font in force where a page
    // starts, set on an earlier page.
    void startWithFont(const ReportFormat::Record &record);

    // Scales the painter from twips to its device and sets the current font; call once on a
    // fresh painter (and after a printer's new page) before replay().
    void preparePainter(QPainter &painter) const;

    // Replays one record. A font set here stays for the following records, on whichever page,
    // until the next SETFONT. A missing or unreadable image throws VellumError (picture).
    Step replay(QPainter &painter, const ReportFormat::Record &record);

    // Replays records from firstRecord until a NEWPAGE or ENDDOC record or the end of the
    // file. Returns the number of the record after the last one read.
    qint32 replayPage(QPainter &painter, ReportReader &reader, qint32 firstRecord);

    // A white page picture of the paper (twips, already in the header's orientation) at the
    // target's zoom and scale, with the page starting at firstRecord drawn on it.
    QImage pagePicture(
        ReportReader &reader, qint32 firstRecord, qint32 paperWidthTwips, qint32 paperHeightTwips);

    // Reads a picture from a regular file; anything else (a FIFO, a device, a folder, a
    // missing file or no picture) throws VellumError (picture) at once.
    static QImage loadPicture(const QString &path);

    // Natural size of an image in twips: its size in hundredths of a millimetre, taken as
    // twips.
    static QSizeF naturalSizeTwips(const QImage &image);

    // The font drawn now, sized in twips.
    const QFont &currentFont() const { return m_font; }

private:
    double xTwips(double reportX) const;
    double yTwips(double reportY) const;
    double widthTwips(double reportWidth) const;
    double heightTwips(double reportHeight) const;
    void applyFont(QPainter &painter, const ReportFormat::Record &record);

    ReportFormat::Header m_header;
    Target m_target;
    QFont m_font;
    double m_ascentTwips = 0.0;
};
