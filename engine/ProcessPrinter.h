#pragma once

#include <QString>
#include <QStringList>

class QPrinter;

// The printer the library prints on, one per process. It starts as the system's default
// printer; the print options dialog may choose another installed one. With no printer
// installed it is a PDF printer on US Letter paper.
class ProcessPrinter
{
public:
    struct PaperSize
    {
        qint32 widthTwips = 0;
        qint32 heightTwips = 0;
    };
    struct Offsets
    {
        qint32 leftTwips = 0;
        qint32 topTwips = 0;
    };

    static QPrinter &currentPrinter();
    // Device name of the current printer, empty when no printer is installed.
    static QString currentPrinterName();
    static QStringList installedPrinterNames();
    // Makes the installed printer of that exact device name current. Returns false, changing
    // nothing, when no installed printer has that name.
    static bool selectPrinter(const QString &deviceName);

    // Paper size of the current printer in the orientation code (1 portrait, 2 landscape).
    static PaperSize paperSize(qint16 orientation);
    static PaperSize paperSize(const QPrinter &printer, qint16 orientation);
    // Where the printable area starts on the paper, in whole twips.
    static Offsets printableOffsets(const QPrinter &printer);
};
