#include "PdfTarget.h"

#include "OutputFile.h"
#include "PageRenderer.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

using namespace ReportFormat;

namespace {
const QString PdfFile = QStringLiteral("PDF file");
} // namespace

PdfTarget::PdfTarget(
    const QString &fileName, ProcessPrinter::PaperSize portraitPaper, QString title)
    : m_fileName(fileName)
    , m_paper(portraitPaper)
    , m_title(std::move(title))
{
}

PdfTarget::~PdfTarget() { discard(); }

void PdfTarget::beginCopy(const Header &header, const QString &)
{
    discard();
    m_header = header;
}

VellumError PdfTarget::fileError(const QString &why) const
{
    return VellumError(VellumError::Kind::File,
        QStringLiteral("Cannot write the PDF file %1: %2").arg(m_fileName, why));
}

void PdfTarget::ensureStarted()
{
    if (m_painter && m_painter->isActive())
        return;
    m_file = std::make_unique<OutputFile>(m_fileName, PdfFile);
    m_file->create();
    m_writer = std::make_unique<QPdfWriter>(m_file.get());
    m_writer->setCreator(QStringLiteral("VellumPrint"));
    m_writer->setTitle(m_title.isEmpty() ? m_header.title : m_title);
    // The paper as the report was laid out on it; Qt gives a standard size its own name.
    const QPageSize paper(
        QSizeF(m_paper.widthTwips / 1440.0, m_paper.heightTwips / 1440.0), QPageSize::Inch);
    const QPageLayout::Orientation orientation
        = m_header.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait;
    m_writer->setPageLayout(QPageLayout(paper, orientation, QMarginsF(0, 0, 0, 0)));

    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_writer.get())) {
        m_painter.reset();
        discard();
        throw fileError(QStringLiteral("the PDF cannot be started."));
    }
    m_painter->setRenderHint(QPainter::Antialiasing);
    m_painter->setRenderHint(QPainter::TextAntialiasing);
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform);
    // The whole paper is the page: positions need no printable-area offset.
    PageRenderer::Target target;
    target.devicePixelsPerTwipX = m_writer->resolution() / 1440.0;
    target.devicePixelsPerTwipY = m_writer->resolution() / 1440.0;
    m_renderer = std::make_unique<PageRenderer>(m_header, target);
    m_renderer->preparePainter(*m_painter);
}

void PdfTarget::replay(const Record &record)
{
    ensureStarted();
    m_renderer->replay(*m_painter, record);
}

void PdfTarget::ejectPage()
{
    ensureStarted();
    if (!m_writer->newPage())
        throw fileError(QStringLiteral("a new page could not be started."));
}

void PdfTarget::endCopy()
{
    ensureStarted();
    const bool ended = m_painter->end();
    m_painter.reset();
    m_renderer.reset();
    m_writer.reset();
    if (!ended) {
        discard();
        throw fileError(QStringLiteral("the PDF could not be completed."));
    }
    // Throws, and removes the temporary file, when any write of the PDF failed.
    std::unique_ptr<OutputFile> file = std::move(m_file);
    file->commit();
}

void PdfTarget::abortCopy() { discard(); }

void PdfTarget::discard()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    m_renderer.reset();
    m_writer.reset();
    // Nothing reaches the target's name: the temporary file goes.
    if (m_file)
        m_file->cancel();
    m_file.reset();
}

void PdfTarget::checkTarget(const QString &fileName, const QString &reportPath)
{
    OutputFile::checkTarget(fileName, PdfFile);
    const QFileInfo target(fileName);
    if (target.exists()
        && target.canonicalFilePath() == QFileInfo(reportPath).canonicalFilePath()) {
        throw VellumError(VellumError::Kind::File,
            QStringLiteral("The PDF file %1 is the report file itself: choose another name.")
                .arg(fileName));
    }
}

void PdfTarget::write(const QString &reportPath, const QString &fileName,
    ProcessPrinter::PaperSize portraitPaper, const QString &title, qint16 from, qint16 to,
    const PrintRun::Hooks &hooks)
{
    checkTarget(fileName, reportPath);
    PrintOptions options;
    options.ModalResult = 1;
    options.FromPage = from;
    options.ToPage = to;
    options.Copies = 1;
    PdfTarget target(fileName, portraitPaper, title);
    PrintRun::run(reportPath, title, options, target, hooks);
}
