#include "BillOfLadingLayout.h"

#include "BillOfLadingForm.h"

#include "VellumPrinter.h"

#include <cmath>

BillOfLadingLayout::BillOfLadingLayout(VellumPrinter &engine)
    : m_engine(engine)
{
}

QString BillOfLadingLayout::AgreementTooLong::message() const
{
    return QStringLiteral("The special agreement is too long for the bill: %1 lines fit, it needs "
                          "%2. Shorten it.")
        .arg(linesFit)
        .arg(linesNeeded);
}

QString BillOfLadingLayout::memoText(const BillOfLadingForm &form)
{
    QString memo = form.memo();
    if (memo.isNull())
        return QStringLiteral(""); // an empty memo is still recorded; a null one is refused
    // A text box gives LF, a pasted text CR LF or a lone CR: each is one line end on paper.
    memo.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    memo.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    memo.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return memo;
}

void BillOfLadingLayout::p(double vert, double hor, const QString &texte, bool nligne)
{
    m_engine.SetY(vert);
    m_engine.TextOut(hor, texte);
    if (nligne)
        m_engine.NewLine();
}

void BillOfLadingLayout::record(const BillOfLadingForm &form)
{
    VellumPrinter &e = m_engine;
    // The engine starts a new report file at each BeginDoc: the last bill's goes first, so a
    // window printing again and again leaves none behind.
    e.DestroyReport();
    e.BeginDoc();
    e.SetScaleMode(5); // inches
    e.SetOrientation(1); // portrait
    e.SetSpacing(0.75);
    e.SetShowProgress(true);
    e.SetShowPreviewSave(false);

    e.SetY(0);
    e.SetFont(QStringLiteral("arial"), 12, 0);
    e.NewLine();
    p(0, 0, QString(), false);

    // Shipper, date and number.
    p(1.0, 1.25, form.shipper.name, true);
    p(1.3, 1.25, form.shipper.street, true);
    p(1.6, 1.25, form.shipperCityLine(), true);
    p(2.0, 1.25, form.shipper.telephone, true);
    p(1.0, 5.7, form.date, false);
    p(1.0, 7.25, form.number, false);
    // Consignee.
    p(2.4, 1.25, form.consignee.name, false);
    p(2.7, 1.25, form.consignee.street, false);
    p(3.0, 1.25, form.consigneeCityLine(), false);
    p(3.3, 1.25, form.consignee.telephone, false);
    // Carrier.
    p(1.25, 4.25, form.carrier.name, false);
    p(1.5, 4.25, form.carrier.street, false);
    p(1.75, 4.25, form.carrierCityLine(), false);
    p(2.0, 4.25, form.carrier.phone, false);
    p(2.0, 6.75, form.carrier.fax, false);

    p(4.125, 2.5, QStringLiteral("origine"), false);
    p(5.0, 3.0, form.cartons, false);
    p(5.3, 1.0, form.thirdPartyText(), false);
    p(5.3, 5.75, form.chargesText(), false);

    e.SetFont(QStringLiteral("arial"), 8, 0);
    p(6.0, 0.375, form.packages, false);
    p(6.0, 1.4, form.description, false);
    p(6.0, 4.375, form.weightText(), false);
    p(6.0, 5.25, form.rateText(), false);
    p(6.0, 6.125, form.priceText(), false);
    p(6.125, 1.4, form.orderHeading(), false);
    // The boxes of the order numbers are spaced unevenly on the paper.
    static constexpr double orderVert[BillOfLadingForm::OrderCount]
        = {6.125, 6.325, 6.55, 6.75, 7.0};
    for (int i = 0; i < BillOfLadingForm::OrderCount; ++i)
        p(orderVert[i], 2.5, form.orders.at(size_t(i)), false);

    if (form.spaceUsed != SpaceUsed::None)
        p(7.8, BillOfLadingForm::spaceUsedX(form.spaceUsed), QStringLiteral("X"), false);

    constexpr double memoTop = 8.0;
    constexpr double memoLeft = 3.875;
    constexpr double memoRight = 6.0;
    const QString memo = memoText(form);
    // The bill is one page: every line of the memo must lie wholly on the paper.
    // Measured as the engine lays it out, whether or not it counts a break after the last line.
    const double oneLine = e.MemoHeight(memoLeft, memoRight, QStringLiteral("X"));
    const double lineHeight
        = e.MemoHeight(memoLeft, memoRight, QStringLiteral("X\r\nX")) - oneLine;
    if (lineHeight > 0) {
        const int fit = int(std::floor((e.PageHeight() - memoTop) / lineHeight + 1e-9));
        const double height = e.MemoHeight(memoLeft, memoRight, memo);
        const int needed = int(std::lround((height - oneLine) / lineHeight)) + 1;
        if (needed > fit)
            throw AgreementTooLong {fit, needed};
    }
    e.SetY(memoTop);
    e.MemoOut(memoLeft, memoRight, memo);
    e.EndDoc();
}
