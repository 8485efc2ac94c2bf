#include "BillOfLadingForm.h"

#include "core/NumericText.h"

QString BillOfLadingForm::cityLine(
    const QString &city, const QString &province, const QString &postCode)
{
    return city + QLatin1Char(' ') + province + QLatin1Char(' ') + postCode;
}

QString BillOfLadingForm::thirdPartyText() const
{
    return thirdParty ? QStringLiteral("Third party billing  X") : QString();
}

QString BillOfLadingForm::chargesText() const
{
    if (charges == Charges::None)
        return {};
    return chargesCaption(charges) + QStringLiteral(" X");
}

QString BillOfLadingForm::weightText() const
{
    return QString::number(weight) + QStringLiteral(" LBS");
}

QString BillOfLadingForm::orderHeading() const
{
    // The first number does not count: one number is "no", more is "nos".
    for (int i = 1; i < OrderCount; ++i) {
        if (!orders.at(size_t(i)).isEmpty())
            return QStringLiteral("Customer order nos:");
    }
    return QStringLiteral("Customer order no:");
}

QString BillOfLadingForm::memo() const
{
    if (appointment)
        return QStringLiteral("Appointment with customer - ") + agreement;
    return agreement;
}

QString BillOfLadingForm::packageText(qint32 pallets)
{
    return QString::number(pallets)
        + (pallets <= 1 ? QStringLiteral(" pallet") : QStringLiteral(" pallets"));
}

QString BillOfLadingForm::moneyText(Currency amount)
{
    return formatAmount(amount, CurrencySpacing::NoBlankBeforeSign);
}

QString BillOfLadingForm::collectText() { return QStringLiteral("0.00 $"); }

QString BillOfLadingForm::goodsCaption(Goods goods)
{
    switch (goods) {
    case Goods::Conduits:
        return QStringLiteral("conduits");
    case Goods::Grilles:
        return QStringLiteral("grilles");
    case Goods::PrisesDAir:
        return QStringLiteral("prises d'air");
    case Goods::Diffuseurs:
        return QStringLiteral("diffuseurs");
    case Goods::Autres:
    case Goods::None:
        break;
    }
    return {};
}

QString BillOfLadingForm::chargesCaption(Charges charges)
{
    switch (charges) {
    case Charges::Collect:
        return QStringLiteral("Collect");
    case Charges::Prepaid:
        return QStringLiteral("Prepaid");
    case Charges::PrepaidAndCharge:
        return QStringLiteral("Prepaid and charge");
    case Charges::None:
        break;
    }
    return {};
}

QString BillOfLadingForm::spaceUsedCaption(SpaceUsed space)
{
    switch (space) {
    case SpaceUsed::Quarter:
        return QStringLiteral(" 1/4");
    case SpaceUsed::Half:
        return QStringLiteral(" 1/2");
    case SpaceUsed::ThreeQuarters:
        return QStringLiteral(" 3/4");
    case SpaceUsed::Full:
        return QStringLiteral(" Full");
    case SpaceUsed::None:
        break;
    }
    return {};
}

double BillOfLadingForm::spaceUsedX(SpaceUsed space)
{
    switch (space) {
    case SpaceUsed::Quarter:
        return 2.625;
    case SpaceUsed::Half:
        return 3.8;
    case SpaceUsed::ThreeQuarters:
        return 5.2;
    case SpaceUsed::Full:
        return 6.55;
    case SpaceUsed::None:
        break;
    }
    return 0;
}
