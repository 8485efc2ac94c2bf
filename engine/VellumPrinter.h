#pragma once

#include "VellumError.h"
#include "VellumPrintGlobal.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

class VellumPrinterPrivate;

/**
 * The print engine: records a report into a report file, then previews, prints or exports it.
 *
 * Positions and sizes are in the unit chosen by ScaleMode, measured from the paper's top-left
 * corner. Every failure is thrown as VellumError. Operations are declared in the order of the
 * engine's published interface.
 *
 * The engine needs a QApplication created before BeginDoc, on the thread that calls it. A
 * QGuiApplication is enough for recording, PrintToFile and SaveReport with a file name; the
 * preview, the print dialog and the save-file dialog need the QApplication. Without the
 * application object these operations throw VellumError (InvalidArgument).
 */
class VELLUMPRINT_EXPORT VellumPrinter : public QObject
{
    Q_OBJECT
public:
    explicit VellumPrinter(QObject *parent = nullptr);
    ~VellumPrinter() override;

public Q_SLOTS:
    /** Font of the following texts; Attributes: 1 bold, 2 underline, 4 italic. */
    void SetFont(const QString &Name, qint16 Size, qint32 Attributes);
    /** One line of text at (XPos, Y); XPos -1 centres it on the paper. A null Text is empty. */
    void TextOut(double XPos, const QVariant &Text);
    /** A straight line. */
    void LineOut(double FromX, double FromY, double ToX, double ToY);
    /** A rectangle outline with these corners. */
    void BoxOut(double FromX, double FromY, double ToX, double ToY);
    /** A picture from a file, top-left at (XPos, YPos); a zero size means natural size. */
    void ImageOut(const QString &ImageFile, double XPos, double YPos, double Width, double Height);
    /** Text word-wrapped between FromX and ToX, from Y down. A null Text fails. */
    void MemoOut(double FromX, double ToX, const QVariant &Text);
    /** How far MemoOut with the same arguments would move Y. A null Text fails. */
    double MemoHeight(double FromX, double ToX, const QVariant &Text);
    /** Y down by one line (line height times Spacing), X to 0. */
    void NewLine();
    /** Page break; fails with an overflow on page 32767. */
    void NewPage();
    /** Shows the preview window; returns when it is closed. */
    void PreviewReport();
    /** Writes the report as text into PrintTextFile. */
    void PrintToFile();
    /** Print options dialog, then printing. */
    void PrintReport();
    /** Starts a new report file. */
    void BeginDoc();
    /** Ends the report and closes its file. */
    void EndDoc();
    /**
     * Deletes the report file the last BeginDoc created, also when a loaded report is the
     * current one; never fails.
     */
    void DestroyReport();
    /**
     * Makes the named report file the engine's report for preview, print and export.
     * Returns false, loading nothing, when the file is missing or is not a report file, or
     * while a report is being recorded (between BeginDoc and EndDoc).
     */
    bool LoadReport(const QString &ReptFileName);
    /**
     * Exports the report as text into DestFileName; a blank name asks for the file.
     * Returns false when the user cancelled.
     */
    bool SaveReport(const QString &DestFileName);
    /** Number of pages of the last ended (or loaded) report. */
    qint16 TotalPages() const;
    void SetTitle(const QString &vData);
    QString Title() const;
    void SetPage(qint16 vData);
    qint16 Page() const;
    void SetY(double vData);
    double Y() const;
    void SetX(double vData);
    double X() const;
    /** 1 portrait, 2 landscape. */
    void SetOrientation(qint16 vData);
    qint16 Orientation() const;
    /** Unit code: 0 and 1 twip, 2 point, 3 pixel, 4 character, 5 inch, 6 mm, 7 cm. */
    void SetScaleMode(qint16 vData);
    qint16 ScaleMode() const;
    /** Path of the report file. */
    QString PrintFile() const;
    void SetSpacing(double vData);
    double Spacing() const;
    void SetAutoHeadings(bool vData);
    bool AutoHeadings() const;
    void SetShowProgress(bool vData);
    bool ShowProgress() const;
    void SetAutoHeadingsFontSize(qint16 vData);
    qint16 AutoHeadingsFontSize() const;
    void SetAutoHeadingsFontName(const QString &vData);
    QString AutoHeadingsFontName() const;
    void SetAutoHeadingsFontAttr(qint32 vData);
    qint32 AutoHeadingsFontAttr() const;
    void SetAutoNewPage(bool vData);
    bool AutoNewPage() const;
    void SetZoomPercent(qint16 vData);
    qint16 ZoomPercent() const;
    void SetDefaultPrinter(const QString &vData);
    QString DefaultPrinter() const;
    /** Moves Y down to it when Y is above it. */
    void SetTopMargin(double vData);
    double TopMargin() const;
    void SetBottomMargin(double vData);
    double BottomMargin() const;
    /** Lowest usable Y: page height minus BottomMargin. */
    double MaxYPos() const;
    void SetShowPreviewSave(bool vData);
    bool ShowPreviewSave() const;
    /** Paper width in report units, whole units. */
    double PageWidth() const;
    /** Paper height in report units, whole units. */
    double PageHeight() const;
    void SetPrintTextFile(const QString &vData);
    QString PrintTextFile() const;
    /** Preview in a normal sizable window instead of a frameless maximised one. */
    void SetPreviewSizable(bool vData);
    bool PreviewSizable() const;
    /**
     * Writes every page of the report into the PDF file PdfFile, replacing it: the report's
     * paper size and orientation, the pages drawn as the printer and the preview draw them,
     * searchable text with its fonts embedded, and Title as the PDF's title. Needs neither a
     * printer nor a screen, only a QGuiApplication. Throws VellumError (file) when the file
     * cannot be written; a failed run leaves no file under that name and an existing file as
     * it was.
     */
    void PrintToPdf(const QString &PdfFile);

Q_SIGNALS:
    /** A page has just begun; delivered synchronously inside the engine call. */
    void OnNewPage(qint16 Page);

private:
    std::unique_ptr<VellumPrinterPrivate> d;
};
