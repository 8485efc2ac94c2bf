#include "parties/PartyAddress.h"

#include "core/VisibleName.h"
#include "data/RecordSet.h"

QStringList PartyAddress::fieldNames()
{
    return {QStringLiteral("NomClient"), QStringLiteral("NoRueClient"),
        QStringLiteral("VilleClient"), QStringLiteral("ProvClient"), QStringLiteral("CodPosClient"),
        QStringLiteral("TelClient")};
}

QStringList PartyAddress::captions()
{
    return {QStringLiteral("Name"), QStringLiteral("No, street"), QStringLiteral("City"),
        QStringLiteral("Province or state"), QStringLiteral("Postal code / zip"),
        QStringLiteral("Telephone")};
}

QString PartyAddress::hiddenCharacterInName() const
{
    const QString problem = VisibleName::problem(name);
    if (problem.isEmpty())
        return {};
    return QStringLiteral("\"%1\" %2; type the name again without it.")
        .arg(captions().first(), problem);
}

PartyAddress PartyAddress::read(const RecordSet &set)
{
    PartyAddress address;
    const QStringList names = fieldNames();
    for (int i = 0; i < names.size(); ++i)
        address.setValue(i, set.text(names[i]));
    return address;
}

void PartyAddress::writeTo(RecordSet &set) const
{
    const QStringList names = fieldNames();
    for (int i = 0; i < names.size(); ++i)
        set.setField(names[i], value(i));
}

QString PartyAddress::value(int field) const
{
    switch (field) {
    case 0:
        return name;
    case 1:
        return street;
    case 2:
        return city;
    case 3:
        return province;
    case 4:
        return postalCode;
    case 5:
        return telephone;
    }
    return {};
}

void PartyAddress::setValue(int field, const QString &text)
{
    switch (field) {
    case 0:
        name = text;
        break;
    case 1:
        street = text;
        break;
    case 2:
        city = text;
        break;
    case 3:
        province = text;
        break;
    case 4:
        postalCode = text;
        break;
    case 5:
        telephone = text;
        break;
    }
}
