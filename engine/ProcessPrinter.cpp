#include "ProcessPrinter.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>

namespace {

QPrinter *&printerRef()
{
    static QPrinter *printer = nullptr;
    return printer;
}

void releasePrinter()
{
    delete printerRef();
    printerRef() = nullptr;
}

// Without an installed printer the library prints to PDF on US Letter: the system works in
// inches, pounds and dollars.
void setUpFallback(QPrinter &printer)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::Letter));
}

// Qt starts a printer on the locale's paper and keeps the previous printer's paper when another
// one is chosen; the user expects the paper the printer itself is set up with.
void applyDefaultPaper(QPrinter &printer)
{
    const QPageSize paper = QPrinterInfo::printerInfo(printer.printerName()).defaultPageSize();
    if (paper.isValid())
        printer.setPageSize(paper);
}

} // namespace

QPrinter &ProcessPrinter::currentPrinter()
{
    QPrinter *&printer = printerRef();
    if (!printer) {
        printer = new QPrinter(QPrinter::HighResolution);
        if (printer->printerName().isEmpty())
            setUpFallback(*printer);
        else
            applyDefaultPaper(*printer);
        // The printer goes with the application, before the platform's print support does.
        if (QCoreApplication::instance())
            qAddPostRoutine(releasePrinter);
    }
    return *printer;
}

QString ProcessPrinter::currentPrinterName() { return currentPrinter().printerName(); }

QStringList ProcessPrinter::installedPrinterNames()
{
    return QPrinterInfo::availablePrinterNames();
}

bool ProcessPrinter::selectPrinter(const QString &deviceName)
{
    if (!installedPrinterNames().contains(deviceName))
        return false;
    QPrinter &printer = currentPrinter();
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(deviceName);
    if (printer.printerName() != deviceName)
        return false;
    applyDefaultPaper(printer);
    return true;
}

ProcessPrinter::PaperSize ProcessPrinter::paperSize(qint16 orientation)
{
    return paperSize(currentPrinter(), orientation);
}

ProcessPrinter::PaperSize ProcessPrinter::paperSize(const QPrinter &printer, qint16 orientation)
{
    // From the size in the unit the paper is defined in: Qt rounds other units to two
    // decimals, which puts A4 three twips off in inches.
    const QPageSize page = printer.pageLayout().pageSize();
    const bool inInches = page.definitionUnits() == QPageSize::Inch;
    const QSizeF defined = inInches ? page.definitionSize() : page.size(QPageSize::Millimeter);
    const double twipsPerUnit = inInches ? 1440.0 : 1440.0 / 25.4;
    PaperSize size;
    size.widthTwips = qint32(std::lround(defined.width() * twipsPerUnit));
    size.heightTwips = qint32(std::lround(defined.height() * twipsPerUnit));
    if (orientation == 2)
        std::swap(size.widthTwips, size.heightTwips);
    return size;
}

ProcessPrinter::Offsets ProcessPrinter::printableOffsets(const QPrinter &printer)
{
    Offsets offsets;
    if (printer.fullPage())
        return offsets;
    const QPageLayout layout = printer.pageLayout();
    const int dpi = printer.resolution();
    const QRect full = layout.fullRectPixels(dpi);
    const QRect paint = layout.paintRectPixels(dpi);
    offsets.leftTwips = qint32(std::lround((paint.left() - full.left()) * 1440.0 / dpi));
    offsets.topTwips = qint32(std::lround((paint.top() - full.top()) * 1440.0 / dpi));
    return offsets;
}
