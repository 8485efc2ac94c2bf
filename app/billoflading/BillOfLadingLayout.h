#pragma once

#include <QString>

class VellumPrinter;
struct BillOfLadingForm;

// The printed bill of lading: the form's texts at fixed places of the pre-printed paper, in
// inches from its top-left corner, two sizes of arial and one memo. Used by the bill-of-lading
// window and by "rouvel bol", so both print the same page.
class BillOfLadingLayout
{
public:
    // The memo does not fit below the details: the page would lose the end of a legal text.
    struct AgreementTooLong
    {
        int linesFit = 0;
        int linesNeeded = 0;
        QString message() const;
    };

    explicit BillOfLadingLayout(VellumPrinter &engine);

    // Records the whole report, BeginDoc to EndDoc, in place of the engine's previous report.
    // Engine failures (VellumError) pass through; an agreement whose lines run past the paper
    // throws AgreementTooLong, with the report left unfinished.
    void record(const BillOfLadingForm &form);

    // The memo as the engine breaks it: at CR LF only, so the form's line ends become CR LF.
    static QString memoText(const BillOfLadingForm &form);

private:
    // Every text goes through here, so its place is fixed by vert and hor alone.
    void p(double vert, double hor, const QString &texte, bool nligne);

    VellumPrinter &m_engine;
};
