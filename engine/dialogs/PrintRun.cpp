#include "PrintRun.h"

#include "PageRenderer.h"
#include "ProcessPrinter.h"
#include "ReportReader.h"
#include "VellumError.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

using namespace ReportFormat;

PrinterTarget::PrinterTarget(QPrinter &printer)
    : m_printer(printer)
{
}

PrinterTarget::~PrinterTarget()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

void PrinterTarget::beginCopy(const Header &header, const QString &documentName)
{
    m_header = header;
    m_printer.setDocName(documentName);
    m_printer.setPageOrientation(
        header.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    m_renderer.reset();
}

void PrinterTarget::ensureStarted()
{
    if (m_painter && m_painter->isActive())
        return;
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(&m_printer)) {
        m_painter.reset();
        const QString name = m_printer.printerName().isEmpty() ? m_printer.outputFileName()
                                                               : m_printer.printerName();
        throw VellumError(VellumError::Kind::Printer,
            QStringLiteral("The printer \"%1\" cannot be opened.").arg(name));
    }
    m_painter->setRenderHint(QPainter::Antialiasing);
    m_painter->setRenderHint(QPainter::TextAntialiasing);
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform);
    m_renderer = std::make_unique<PageRenderer>(m_header, PageRenderer::Target::printer(m_printer));
    m_renderer->preparePainter(*m_painter);
}

void PrinterTarget::replay(const Record &record)
{
    ensureStarted();
    m_renderer->replay(*m_painter, record);
}

void PrinterTarget::ejectPage()
{
    ensureStarted();
    if (!m_printer.newPage())
        throw VellumError(VellumError::Kind::Printer,
            QStringLiteral("The printer \"%1\" refused a new page.").arg(m_printer.printerName()));
}

void PrinterTarget::endCopy()
{
    if (m_painter && m_painter->isActive() && !m_painter->end())
        throw VellumError(VellumError::Kind::Printer,
            QStringLiteral("The printer \"%1\" did not take the document.")
                .arg(m_printer.printerName()));
    m_painter.reset();
}

void PrinterTarget::abortCopy()
{
    if (m_painter && m_painter->isActive()) {
        m_printer.abort();
        m_painter->end();
    }
    m_painter.reset();
}

void PrintRun::run(const QString &reportPath, const QString &documentName,
    const PrintOptions &options, PrintTarget &target, const Hooks &hooks)
{
    ReportReader reader;
    if (!reader.open(reportPath))
        throw VellumError(VellumError::Kind::File, reader.errorString());

    const qint32 nrec = reader.recordCount();
    const qint32 copies = options.Copies;
    const float total = float(std::max(copies, 0)) * float(nrec);
    if (hooks.progress)
        hooks.progress(0.0f);
    if (options.ModalResult == 2)
        return;

    const qint16 from = options.FromPage;
    const qint16 to = options.ToPage;
    Record record;
    for (qint32 copy = 1; copy <= copies; ++copy) {
        target.beginCopy(reader.header(), documentName);
        if (hooks.pending)
            hooks.pending();
        try {
            for (qint32 i = 2; i <= nrec; ++i) {
                if (hooks.pending)
                    hooks.pending();
                if (!reader.readRecord(i, record))
                    throw VellumError(VellumError::Kind::File,
                        QStringLiteral("Cannot read record %1 of the report %2.")
                            .arg(i)
                            .arg(reportPath));
                // Counted before the record acts, so a stopping record is counted too.
                if (hooks.progress)
                    hooks.progress(float(i + (copy - 1) * nrec) / total);
                const qint16 p = record.page();
                if (p >= from) {
                    if (p > to)
                        break;
                    const Keyword keyword = record.keyword();
                    if (keyword == Keyword::NewPage) {
                        if (p < to)
                            target.ejectPage();
                    } else if (keyword == Keyword::EndDoc) {
                        break;
                    } else {
                        target.replay(record);
                    }
                } else if (p > to) {
                    break;
                }
            }
        } catch (...) {
            target.abortCopy();
            throw;
        }
        target.endCopy();
    }
}

void PrintRun::runPrintJob(const QString &reportPath, const QString &documentName,
    const PrintOptions &options, QPrinter &printer, const Hooks &hooks)
{
    PrinterTarget target(printer);
    run(reportPath, documentName, options, target, hooks);
}
