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
    explicit BillOfLadingLayout(VellumPrinter &engine);

    // Records the whole report, BeginDoc to EndDoc, in place of the engine's previous report.
    // Engine failures (VellumError) pass through.
    void record(const BillOfLadingForm &form);

private:
    // Every text goes through here, so its place is fixed by vert and hor alone.
    void p(double vert, double hor, const QString &texte, bool nligne);

    VellumPrinter &m_engine;
};
