#pragma once

#include "PrintRun.h"
#include "ProcessPrinter.h"
#include "VellumError.h"

#include <QString>

#include <memory>

class QPainter;
class OutputFile;
class QPdfWriter;

// Prints into a PDF file through the engine's page rendering, at the report's paper size in
// the header's orientation, with real text and the report's title. The file is written under a
// temporary name beside the target and renamed when the copy ends, only once every write has
// reached the disk, so a failed run leaves nothing under the target's name and never damages a
// file already there.
class PdfTarget : public PrintTarget
{
public:
    // portraitPaper: the report's paper in portrait, twips. title: the PDF's title; an empty
    // one takes the title of the report's header.
    PdfTarget(const QString &fileName, ProcessPrinter::PaperSize portraitPaper, QString title);
    ~PdfTarget() override;

    void beginCopy(const ReportFormat::Header &header, const QString &documentName) override;
    void replay(const ReportFormat::Record &record) override;
    void ejectPage() override;
    // Ends the document and puts the file in place; a range with nothing to draw still gives
    // one blank page, as an empty report does.
    void endCopy() override;
    void abortCopy() override;

    // Checks that the file can be the target of a PDF: a name, a regular file or a new one in
    // an existing folder, not the report itself. Throws VellumError (file) when it cannot.
    static void checkTarget(const QString &fileName, const QString &reportPath);

    // Writes pages from to `to` of the report file into the PDF file; throws VellumError and
    // leaves no file when it fails.
    static void write(const QString &reportPath, const QString &fileName,
        ProcessPrinter::PaperSize portraitPaper, const QString &title, qint16 from, qint16 to,
        const PrintRun::Hooks &hooks);

private:
    void ensureStarted();
    void discard();
    VellumError fileError(const QString &why) const;

    QString m_fileName;
    ProcessPrinter::PaperSize m_paper;
    QString m_title;
    ReportFormat::Header m_header;
    std::unique_ptr<OutputFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    std::unique_ptr<PageRenderer> m_renderer;
};
