#pragma once

#include "core/Currency.h"
#include "parties/PartyAddress.h"

#include <QString>

#include <array>

// The carrier's address, as reqPourBL gives it.
struct CarrierBlock
{
    QString name; // NomLongTrans, the legal name
    QString street;
    QString city;
    QString province;
    QString postCode;
    QString phone;
    QString fax;
};

// The choices of the "Details" tab; None: no choice made.
enum class Goods { None, Conduits, Grilles, PrisesDAir, Diffuseurs, Autres };
enum class Charges { None, Collect, Prepaid, PrepaidAndCharge };
enum class SpaceUsed { None, Quarter, Half, ThreeQuarters, Full };

// One bill of lading as it stands when it is printed: the window's fields, the shipper read from
// origine and the hand-off values. The printed weight, rate and amount are the hand-off values
// whatever the screen shows.
struct BillOfLadingForm
{
    static constexpr int OrderCount = 5;

    PartyAddress shipper;
    PartyAddress consignee;
    CarrierBlock carrier;
    QString date;
    QString number; // "Bill of lading no"
    QString cartons; // "Nb of cartons"
    QString packages; // "Nb and package type de paquets"
    QString description;
    Charges charges = Charges::None;
    bool thirdParty = false;
    SpaceUsed spaceUsed = SpaceUsed::None;
    std::array<QString, OrderCount> orders;
    bool appointment = false;
    QString agreement;
    qint32 weight = 0; // blWeight
    Currency rate; // blRate
    Currency price; // blPrice

    // The composed texts of the printout.
    QString shipperCityLine() const
    {
        return cityLine(shipper.city, shipper.province, shipper.postalCode);
    }
    QString consigneeCityLine() const
    {
        return cityLine(consignee.city, consignee.province, consignee.postalCode);
    }
    QString carrierCityLine() const
    {
        return cityLine(carrier.city, carrier.province, carrier.postCode);
    }
    QString thirdPartyText() const;
    QString chargesText() const;
    QString weightText() const;
    QString rateText() const { return moneyText(rate); }
    QString priceText() const { return moneyText(price); }
    QString orderHeading() const;
    QString memo() const;

    // City, province and postal code joined by single blanks: an empty part leaves two blanks.
    static QString cityLine(const QString &city, const QString &province, const QString &postCode);
    // "2 pallets", "1 pallet", "0 pallet".
    static QString packageText(qint32 pallets);
    // "# ##0.00$": the bill of lading writes money without a blank before the "$".
    static QString moneyText(Currency amount);
    // What "Rate" and "Amount" show while "Collect" is chosen.
    static QString collectText();
    static QString goodsCaption(Goods goods); // empty for None and Autres
    static QString chargesCaption(Charges charges); // "Collect", ...; empty for None
    static QString spaceUsedCaption(SpaceUsed space); // " 1/4", ...; empty for None
    // Where the "SPACE USED" mark is printed, inches from the left; 0 for None.
    static double spaceUsedX(SpaceUsed space);
};
