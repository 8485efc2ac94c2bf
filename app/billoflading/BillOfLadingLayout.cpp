#include "BillOfLadingLayout.h"

#include "BillOfLadingForm.h"

#include "VellumPrinter.h"

BillOfLadingLayout::BillOfLadingLayout(VellumPrinter &engine)
    : m_engine(engine)
{
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

    e.SetY(8.0);
    // An empty memo is still recorded; only a missing one is an error for the engine.
    const QString memo = form.memo();
    e.MemoOut(3.875, 6.0, memo.isNull() ? QStringLiteral("") : memo);
    e.EndDoc();
}
