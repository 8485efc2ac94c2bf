#include "VellumPrinter.h"

#include "CurrentEngine.h"
#include "LineFitter.h"
#include "MemoWrapper.h"
#include "OutputFile.h"
#include "PrintJobs.h"
#include "ProcessPrinter.h"
#include "ReportFormat.h"
#include "ReportReader.h"
#include "ReportWriter.h"
#include "TextExporter.h"
#include "TextMeasurer.h"
#include "UnitConverter.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>

#include <cmath>
#include <optional>

using namespace ReportFormat;
using Axis = UnitConverter::Axis;

namespace {

bool isNullText(const QVariant &text) { return !text.isValid() || text.isNull(); }

// The text form of a value: texts as they are; floating-point numbers with at most 15
// significant digits, so that a computed 0.1 + 0.2 prints as 0.3, not 0.30000000000000004.
QString textOf(const QVariant &text)
{
    if (isNullText(text))
        return QString();
    const int type = text.metaType().id();
    if (type == QMetaType::Double || type == QMetaType::Float)
        return QString::number(text.toDouble(), 'g', 15);
    return text.toString();
}

// Without its application object Qt aborts the whole process at the first font or window;
// the caller gets an error instead.
void requireGuiApplication()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        throw VellumError(VellumError::Kind::InvalidArgument,
            QStringLiteral("The print engine needs a QApplication (or a QGuiApplication for "
                           "recording and exports only), created before BeginDoc."));
    }
}

void requireWidgetApplication(const char *operation)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        throw VellumError(VellumError::Kind::InvalidArgument,
            QStringLiteral("%1 shows a window and needs a QApplication.")
                .arg(QLatin1String(operation)));
    }
}

VellumError noReportOpen()
{
    return VellumError(VellumError::Kind::File,
        QStringLiteral("No report is being recorded: call BeginDoc first."));
}

// Shows the busy pointer while an export runs, when there is a screen to show it on.
class BusyPointer
{
public:
    BusyPointer()
    {
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            m_active = true;
        }
    }
    ~BusyPointer()
    {
        if (m_active)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    bool m_active = false;
};

// The page surface text is measured on while recording: the paper in the orientation the
// header held when it was created, and the measuring font. (At namespace scope: a nested
// struct's member initialisers are not usable inside its enclosing class for clang.)
struct MeasuringSurface
{
    TextMeasurer measurer;
    qint32 widthTwips = 0;
    qint32 heightTwips = 0;
};

} // namespace

class VellumPrinterPrivate
{
public:
    enum class State { Idle, Recording, Ended, Deleted };

    using Surface = MeasuringSurface;

    Surface &surface()
    {
        if (!m_surface) {
            m_surface.emplace();
            const qint16 orientation = headerCopy.orientation == 2 ? 2 : 1;
            const ProcessPrinter::PaperSize paper = ProcessPrinter::paperSize(orientation);
            m_surface->widthTwips = paper.widthTwips;
            m_surface->heightTwips = paper.heightTwips;
        }
        return *m_surface;
    }
    void unloadSurface() { m_surface.reset(); }

    // The memo column test: the line measured in the measuring font, converted to the report
    // unit, within the column width (compared in single precision).
    LineFitter lineFitter(float width)
    {
        const double edgeTwips = UnitConverter::toTwips(width, scaleMode, Axis::Horizontal);
        return LineFitter([this]() -> const TextMeasurer & { return surface().measurer; },
            [this, width](double twips) { return width >= float(toUnitsX(twips)); }, edgeTwips);
    }

    // A PDF of the current report: the paper and title it was recorded with, or for a loaded
    // report the current printer's paper, as the preview shows it, and its header's title.
    PrintJobs::PdfSetup pdfSetup() const
    {
        PrintJobs::PdfSetup setup;
        if (!reportPath.isEmpty() && reportPath == paperReportPath && paperWidthTwips > 0
            && paperHeightTwips > 0) {
            setup.paper = {paperWidthTwips, paperHeightTwips};
            setup.title = title;
        } else {
            setup.paper = ProcessPrinter::paperSize(1);
        }
        return setup;
    }

    double toUnitsX(double twips) const
    {
        return UnitConverter::fromTwips(twips, scaleMode, Axis::Horizontal);
    }
    double toUnitsY(double twips) const
    {
        return UnitConverter::fromTwips(twips, scaleMode, Axis::Vertical);
    }

    void requireRecording() const
    {
        if (state != State::Recording || !writer.isOpen())
            throw noReportOpen();
    }

    // The header-backed properties: the file's header record changes with the engine, one
    // field only, so the other fields keep their bytes (leading blanks included).
    template<typename Change> void changeHeader(Change change)
    {
        requireRecording();
        RecordBytes bytes = writer.readHeaderRecord();
        change(bytes);
        writer.rewriteHeaderRecord(bytes);
        headerCopy = Header::fromRecord(bytes);
    }

    ReportWriter writer;
    // The report shown, printed and exported: the engine's own or a loaded one.
    QString reportPath;
    // The file the last BeginDoc created; DestroyReport deletes it whatever is loaded since.
    QString ownReportPath;
    State state = State::Idle;

    double x = 0.0;
    double y = 0.0;
    qint16 page = 0;
    qint16 totalPages = 0;
    QString title;
    qint16 scaleMode = 0;
    qint16 orientation = 0;
    double spacing = 0.0;
    bool autoHeadings = false;
    QString autoHeadingsFontName;
    qint16 autoHeadingsFontSize = 0;
    qint32 autoHeadingsFontAttr = 0;
    bool autoNewPage = false;
    bool showProgress = false;
    qint16 zoomPercent = 0;
    QString defaultPrinter;
    double topMargin = 0.0;
    double bottomMargin = 0.0;
    bool showPreviewSave = false;
    QString printTextFile;
    bool previewSizable = false;
    qint32 paperWidthTwips = 0;
    qint32 paperHeightTwips = 0;
    // The report file BeginDoc laid out on that paper.
    QString paperReportPath;
    Header headerCopy;
    bool firstDrawingPending = false;
    bool drawingHeadings = false;
    // Page whose headings are recorded since BeginDoc, so they are never doubled.
    std::optional<qint16> headingsPage;

private:
    std::optional<Surface> m_surface;
};

VellumPrinter::VellumPrinter(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<VellumPrinterPrivate>())
{
}

VellumPrinter::~VellumPrinter() = default;

void VellumPrinter::SetFont(const QString &Name, qint16 Size, qint32 Attributes)
{
    d->requireRecording();
    const bool bold = Attributes & 1;
    const bool underline = Attributes & 2;
    const bool italic = Attributes & 4;
    d->writer.append(Record::setFont(d->page, Name, Size, bold, italic, underline));
    d->surface().measurer.setFont(Name, Size, bold, italic, underline);
}

namespace {
void prepareDraw(VellumPrinter &engine, VellumPrinterPrivate &d);
}

void VellumPrinter::TextOut(double XPos, const QVariant &Text)
{
    d->requireRecording();
    std::optional<double> widthTwips;
    if (XPos == -1.0) {
        if (isNullText(Text)) {
            throw VellumError(VellumError::Kind::InvalidArgument,
                QStringLiteral("TextOut cannot centre a null text."));
        }
        VellumPrinterPrivate::Surface &surface = d->surface();
        widthTwips = surface.measurer.textWidthTwips(textOf(Text));
        XPos = d->toUnitsX((surface.widthTwips - *widthTwips) / 2.0);
    }
    prepareDraw(*this, *d);
    const QString text = textOf(Text);
    d->writer.append(Record::textOut(d->page, XPos, d->y, text));
    if (!widthTwips)
        widthTwips = d->surface().measurer.textWidthTwips(text);
    d->x = XPos + d->toUnitsX(*widthTwips);
}

void VellumPrinter::LineOut(double FromX, double FromY, double ToX, double ToY)
{
    d->requireRecording();
    prepareDraw(*this, *d);
    d->writer.append(Record::shape(d->page, Keyword::LineOut, FromX, FromY, ToX, ToY));
}

void VellumPrinter::BoxOut(double FromX, double FromY, double ToX, double ToY)
{
    d->requireRecording();
    prepareDraw(*this, *d);
    d->writer.append(Record::shape(d->page, Keyword::BoxOut, FromX, FromY, ToX, ToY));
}

void VellumPrinter::ImageOut(
    const QString &ImageFile, double XPos, double YPos, double Width, double Height)
{
    d->requireRecording();
    prepareDraw(*this, *d);
    d->writer.append(Record::imageOut(d->page, XPos, YPos, Width, Height, ImageFile));
}

void VellumPrinter::MemoOut(double FromX, double ToX, const QVariant &Text)
{
    d->requireRecording();
    if (isNullText(Text)) {
        throw VellumError(VellumError::Kind::InvalidArgument,
            QStringLiteral("MemoOut needs a text, not a null value."));
    }
    prepareDraw(*this, *d);
    const float width = float(ToX - FromX);
    const QString text = textOf(Text);
    LineFitter fits = d->lineFitter(width);
    // Each line is a TextOut, but only the last one's width is measured: the others are
    // followed by a NewLine, which puts X back to 0 before anything can read it.
    QString lastLine;
    MemoWrapper::wrap(
        text, std::ref(fits),
        [this, FromX, &lastLine](const QString &line) {
            d->requireRecording();
            prepareDraw(*this, *d);
            d->writer.append(Record::textOut(d->page, FromX, d->y, line));
            lastLine = line;
        },
        [this]() { NewLine(); });
    d->x = FromX + d->toUnitsX(d->surface().measurer.textWidthTwips(lastLine));
}

double VellumPrinter::MemoHeight(double FromX, double ToX, const QVariant &Text)
{
    if (isNullText(Text)) {
        throw VellumError(VellumError::Kind::InvalidArgument,
            QStringLiteral("MemoHeight needs a text, not a null value."));
    }
    const float width = float(ToX - FromX);
    double total = 0.0;
    const QString text = textOf(Text);
    LineFitter fits = d->lineFitter(width);
    MemoWrapper::wrap(
        text, std::ref(fits), [](const QString &) {},
        [this, &total]() {
            const float advance = float(d->surface().measurer.lineHeightTwips() * d->spacing);
            total += d->toUnitsY(advance);
        });
    return total;
}

void VellumPrinter::NewLine()
{
    // The product is taken in single precision, as the line advance always has been.
    const float advance = float(d->surface().measurer.lineHeightTwips() * d->spacing);
    d->y += d->toUnitsY(advance);
    d->x = 0.0;
}

namespace {

void drawHeadings(VellumPrinter &engine, VellumPrinterPrivate &d)
{
    d.drawingHeadings = true;
    d.headingsPage = d.page;
    try {
        VellumPrinterPrivate::Surface &surface = d.surface();
        const QString face = surface.measurer.face();
        const qint16 points = surface.measurer.points();
        const qint32 attributes = (surface.measurer.bold() ? 1 : 0)
            + (surface.measurer.underline() ? 2 : 0) + (surface.measurer.italic() ? 4 : 0);

        // The engine's heading font, kept from one report to the next; a name or size never
        // set (empty, 0 on a new engine) falls back to the header's "Arial" 12.
        const QString headingFace = d.autoHeadingsFontName.trimmed().isEmpty()
            ? d.headerCopy.autoHeadingsFontName
            : d.autoHeadingsFontName;
        const qint16 headingPoints = d.autoHeadingsFontSize > 0 ? d.autoHeadingsFontSize
                                                                : d.headerCopy.autoHeadingsFontSize;
        engine.SetFont(headingFace, headingPoints, d.autoHeadingsFontAttr);
        const double left
            = UnitConverter::convert(0.5, UnitConverter::Inch, d.scaleMode, Axis::Horizontal);
        constexpr double marginTwips = 720.0;
        const TextMeasurer &measurer = d.surface().measurer;
        const double widthTwips = d.surface().widthTwips;
        const double titleX = d.toUnitsX((widthTwips - measurer.textWidthTwips(d.title)) / 2.0);
        const QString pageText = QStringLiteral("Page: ") + QString::number(d.page);
        const double pageX
            = d.toUnitsX(widthTwips - measurer.textWidthTwips(pageText) - marginTwips);
        d.y = left;
        const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
        engine.TextOut(left, QString(QStringLiteral("Date: ") + date));
        engine.TextOut(titleX, d.title);
        engine.TextOut(pageX, pageText);
        engine.NewLine();
        engine.SetFont(face, points, attributes);
    } catch (...) {
        d.drawingHeadings = false;
        throw;
    }
    d.drawingHeadings = false;
}

void prepareDraw(VellumPrinter &engine, VellumPrinterPrivate &d)
{
    // The heading texts belong to the page being started.
    if (d.drawingHeadings)
        return;
    if (d.autoNewPage && d.y > engine.PageHeight())
        engine.NewPage();
    if (d.firstDrawingPending) {
        d.firstDrawingPending = false;
        if (d.autoHeadings && d.headingsPage != d.page)
            drawHeadings(engine, d);
        Q_EMIT engine.OnNewPage(d.page);
    }
}

} // namespace

void VellumPrinter::NewPage()
{
    d->requireRecording();
    if (d->page == MaxPage) {
        throw VellumError(VellumError::Kind::Overflow,
            QStringLiteral("The report cannot have more than 32767 pages."));
    }
    d->writer.append(Record::pageMark(d->page, Keyword::NewPage));
    ++d->page;
    d->x = 0.0;
    d->y = 0.0;
    if (d->autoHeadings)
        drawHeadings(*this, *d);
    Q_EMIT OnNewPage(d->page);
}

void VellumPrinter::PreviewReport()
{
    requireWidgetApplication("PreviewReport");
    PrintJobs::previewReport(*this);
}

void VellumPrinter::PrintToFile()
{
    if (d->reportPath.isEmpty() || d->state == VellumPrinterPrivate::State::Deleted) {
        throw VellumError(VellumError::Kind::File, QStringLiteral("There is no report to write."));
    }
    if (d->printTextFile.trimmed().isEmpty()) {
        throw VellumError(VellumError::Kind::File,
            QStringLiteral("No text file is named: set PrintTextFile first."));
    }
    // Replacing the report by its own export would lose the report, and a loaded one is the
    // caller's saved file.
    const QString textFile = QStringLiteral("text file");
    OutputFile::checkTarget(d->printTextFile, textFile);
    const QFileInfo target(d->printTextFile);
    if (target.exists()
        && target.canonicalFilePath() == QFileInfo(d->reportPath).canonicalFilePath()) {
        throw VellumError(VellumError::Kind::File,
            QStringLiteral("The text file %1 is the report file itself: choose another name.")
                .arg(d->printTextFile));
    }
    BusyPointer busy;
    ReportReader reader;
    if (!reader.open(d->reportPath))
        throw VellumError(VellumError::Kind::File, reader.errorString());
    OutputFile out(d->printTextFile, textFile);
    out.create();
    // Windows stay alive during a long export without paying for it on every record.
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    const auto yield = [&sinceEvents]() {
        if (sinceEvents.elapsed() >= 50) {
            QCoreApplication::processEvents();
            sinceEvents.restart();
        }
    };
    TextExporter::run(reader, out, d->totalPages, yield);
    out.commit();
}

void VellumPrinter::PrintReport()
{
    requireWidgetApplication("PrintReport");
    PrintJobs::printReport(*this, d->pdfSetup());
}

void VellumPrinter::BeginDoc()
{
    requireGuiApplication();
    const Header header = Header::defaults(d->headerCopy.autoNewPage);
    d->writer.create(header);
    d->reportPath = d->writer.path();
    d->ownReportPath = d->reportPath;
    d->state = VellumPrinterPrivate::State::Recording;
    setCurrentEngine(this);
    d->headerCopy = header;
    d->x = 0.0;
    d->y = 0.0;
    d->page = 1;
    d->spacing = 1.3;
    d->showPreviewSave = true;
    d->firstDrawingPending = true;
    d->headingsPage.reset();
    const ProcessPrinter::PaperSize paper = ProcessPrinter::paperSize(1);
    d->paperWidthTwips = paper.widthTwips;
    d->paperHeightTwips = paper.heightTwips;
    d->paperReportPath = d->reportPath;
}

void VellumPrinter::EndDoc()
{
    d->requireRecording();
    d->writer.append(Record::pageMark(d->page, Keyword::EndDoc));
    d->writer.finish();
    d->totalPages = d->page;
    d->state = VellumPrinterPrivate::State::Ended;
    d->unloadSurface();
}

void VellumPrinter::DestroyReport()
{
    d->writer.close();
    // A report loaded from the caller's file is the caller's: only our own file is deleted,
    // also when a loaded report is the current one.
    if (!d->ownReportPath.isEmpty())
        QFile::remove(d->ownReportPath);
    d->ownReportPath.clear();
    d->state = VellumPrinterPrivate::State::Deleted;
}

bool VellumPrinter::LoadReport(const QString &ReptFileName)
{
    // The report being recorded goes on: a load now would cut it off.
    if (d->state == VellumPrinterPrivate::State::Recording)
        return false;
    const QString name = ReptFileName.trimmed();
    if (name.isEmpty())
        return false;
    const QFileInfo info(name);
    if (!info.isFile() || info.size() < RecordSize || info.size() % RecordSize != 0)
        return false;
    ReportReader reader;
    if (!reader.open(info.absoluteFilePath()))
        return false;
    const qint16 pages = reader.lastPage();

    d->writer.close();
    d->reportPath = info.absoluteFilePath();
    d->state = VellumPrinterPrivate::State::Ended;
    d->totalPages = pages;
    d->unloadSurface();
    setCurrentEngine(this);
    return true;
}

bool VellumPrinter::SaveReport(const QString &DestFileName)
{
    QString name = DestFileName;
    if (name.trimmed().isEmpty()) {
        requireWidgetApplication("SaveReport without a file name");
        name = PrintJobs::chooseSaveFileName();
        if (name.isEmpty())
            return false;
    }
    SetPrintTextFile(name);
    PrintToFile();
    return true;
}

qint16 VellumPrinter::TotalPages() const { return d->totalPages; }

void VellumPrinter::SetTitle(const QString &vData)
{
    d->changeHeader([&vData](RecordBytes &h) {
        putText(h, HeaderField::Title, MaxHeaderTextChars, vData);
    });
    d->title = vData;
}

QString VellumPrinter::Title() const { return d->title; }

void VellumPrinter::SetPage(qint16 vData) { d->page = vData; }

qint16 VellumPrinter::Page() const { return d->page; }

void VellumPrinter::SetY(double vData) { d->y = vData; }

double VellumPrinter::Y() const { return d->y; }

void VellumPrinter::SetX(double vData) { d->x = vData; }

double VellumPrinter::X() const { return d->x; }

void VellumPrinter::SetOrientation(qint16 vData)
{
    d->requireRecording();
    if (vData != 1 && vData != 2) {
        throw VellumError(VellumError::Kind::InvalidArgument,
            QStringLiteral("Orientation must be 1 (portrait) or 2 (landscape), not %1.")
                .arg(vData));
    }
    d->changeHeader([vData](RecordBytes &h) { putInt16(h, HeaderField::Orientation, vData); });
    d->orientation = vData;
}

qint16 VellumPrinter::Orientation() const { return d->orientation; }

void VellumPrinter::SetScaleMode(qint16 vData)
{
    d->requireRecording();
    if (!UnitConverter::isValidUnit(vData)) {
        throw VellumError(VellumError::Kind::InvalidArgument,
            QStringLiteral("ScaleMode must be a unit code from 0 to 7, not %1.").arg(vData));
    }
    d->changeHeader([vData](RecordBytes &h) { putInt16(h, HeaderField::ScaleMode, vData); });
    d->scaleMode = vData;
}

qint16 VellumPrinter::ScaleMode() const { return d->scaleMode; }

QString VellumPrinter::PrintFile() const
{
    return d->reportPath.trimmed();
}

void VellumPrinter::SetSpacing(double vData)
{
    d->changeHeader([vData](RecordBytes &h) { putDouble(h, HeaderField::Spacing, vData); });
    d->spacing = vData;
}

double VellumPrinter::Spacing() const { return d->spacing; }

void VellumPrinter::SetAutoHeadings(bool vData)
{
    d->changeHeader([vData](RecordBytes &h) { putFlag(h, HeaderField::AutoHeadings, vData); });
    d->autoHeadings = vData;
}

bool VellumPrinter::AutoHeadings() const { return d->autoHeadings; }

void VellumPrinter::SetShowProgress(bool vData) { d->showProgress = vData; }

bool VellumPrinter::ShowProgress() const { return d->showProgress; }

void VellumPrinter::SetAutoHeadingsFontSize(qint16 vData)
{
    d->changeHeader(
        [vData](RecordBytes &h) { putInt16(h, HeaderField::AutoHeadingsFontSize, vData); });
    d->autoHeadingsFontSize = vData;
}

qint16 VellumPrinter::AutoHeadingsFontSize() const { return d->autoHeadingsFontSize; }

void VellumPrinter::SetAutoHeadingsFontName(const QString &vData)
{
    d->changeHeader([&vData](RecordBytes &h) {
        putText(h, HeaderField::AutoHeadingsFontName, MaxHeaderTextChars, vData);
    });
    d->autoHeadingsFontName = vData;
}

QString VellumPrinter::AutoHeadingsFontName() const { return d->autoHeadingsFontName; }

void VellumPrinter::SetAutoHeadingsFontAttr(qint32 vData)
{
    d->changeHeader(
        [vData](RecordBytes &h) { putInt32(h, HeaderField::AutoHeadingsFontAttr, vData); });
    d->autoHeadingsFontAttr = vData;
}

qint32 VellumPrinter::AutoHeadingsFontAttr() const { return d->autoHeadingsFontAttr; }

void VellumPrinter::SetAutoNewPage(bool vData)
{
    d->changeHeader([vData](RecordBytes &h) { putFlag(h, HeaderField::AutoNewPage, vData); });
    d->autoNewPage = vData;
}

bool VellumPrinter::AutoNewPage() const { return d->autoNewPage; }

void VellumPrinter::SetZoomPercent(qint16 vData) { d->zoomPercent = vData; }

qint16 VellumPrinter::ZoomPercent() const { return d->zoomPercent; }

void VellumPrinter::SetDefaultPrinter(const QString &vData) { d->defaultPrinter = vData; }

QString VellumPrinter::DefaultPrinter() const { return d->defaultPrinter; }

void VellumPrinter::SetTopMargin(double vData)
{
    d->topMargin = vData;
    if (d->y < vData)
        d->y = vData;
}

double VellumPrinter::TopMargin() const { return d->topMargin; }

void VellumPrinter::SetBottomMargin(double vData) { d->bottomMargin = vData; }

double VellumPrinter::BottomMargin() const { return d->bottomMargin; }

double VellumPrinter::MaxYPos() const
{
    const double surfaceHeight = d->surface().heightTwips;
    const double marginTwips
        = UnitConverter::toTwips(d->bottomMargin, d->scaleMode, Axis::Vertical);
    return float(d->toUnitsY(surfaceHeight - marginTwips));
}

void VellumPrinter::SetShowPreviewSave(bool vData) { d->showPreviewSave = vData; }

bool VellumPrinter::ShowPreviewSave() const { return d->showPreviewSave; }

double VellumPrinter::PageWidth() const { return std::nearbyint(d->toUnitsX(d->paperWidthTwips)); }

double VellumPrinter::PageHeight() const
{
    return std::nearbyint(d->toUnitsY(d->paperHeightTwips));
}

void VellumPrinter::SetPrintTextFile(const QString &vData) { d->printTextFile = vData; }

QString VellumPrinter::PrintTextFile() const { return d->printTextFile; }

void VellumPrinter::SetPreviewSizable(bool vData) { d->previewSizable = vData; }

bool VellumPrinter::PreviewSizable() const { return d->previewSizable; }

void VellumPrinter::PrintToPdf(const QString &PdfFile)
{
    requireGuiApplication();
    if (d->reportPath.isEmpty() || d->state == VellumPrinterPrivate::State::Deleted)
        throw VellumError(VellumError::Kind::File, QStringLiteral("There is no report to write."));
    BusyPointer busy;
    PrintJobs::printToPdf(PrintFile(), PdfFile, d->pdfSetup());
}
