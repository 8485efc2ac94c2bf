#pragma once

#include "VellumPrinter.h"

#include <QString>
#include <QStringList>

#include <memory>

// Records small reports for the preview and print tests, positions in inches.
namespace ReportFixture {

// One text per entry at (1, 1 + index) inch; pages separated by NewPage. An empty page list
// entry records nothing but the page break.
// The font is set on the first page that holds a text, so a leading empty page holds only
// its page break.
inline std::unique_ptr<VellumPrinter> record(
    const QList<QStringList> &pages, const QString &title = QStringLiteral("Fixture"))
{
    auto engine = std::make_unique<VellumPrinter>();
    engine->BeginDoc();
    engine->SetScaleMode(5);
    engine->SetOrientation(1);
    engine->SetTitle(title);
    bool fontSet = false;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (p > 0)
            engine->NewPage();
        if (!fontSet && !pages.at(p).isEmpty()) {
            engine->SetFont(QStringLiteral("arial"), 12, 0);
            fontSet = true;
        }
        for (qsizetype i = 0; i < pages.at(p).size(); ++i) {
            engine->SetY(1.0 + double(i));
            engine->TextOut(1.0, pages.at(p).at(i));
        }
    }
    engine->EndDoc();
    return engine;
}

// n pages, page k holding the text "Page k".
inline std::unique_ptr<VellumPrinter> numbered(int n)
{
    QList<QStringList> pages;
    for (int k = 1; k <= n; ++k)
        pages.append(QStringList {QStringLiteral("Page %1").arg(k)});
    return record(pages);
}

} // namespace ReportFixture
