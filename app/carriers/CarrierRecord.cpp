#include "carriers/CarrierRecord.h"

namespace {

struct FieldDefinition
{
    const char *label;
    const char *name;
    int maxLength;
};

constexpr FieldDefinition Fields[CarrierRecord::FieldCount] = {
    {"Name (short)", "NomTrans", 50},
    {"Name (long)", "NomLongTrans", 50},
    {"No, street", "NoRue", 50},
    {"City", "Ville", 50},
    {"P. code / zip", "CodPos", 10},
    {"Prov. / state", "Province", 30},
    {"Contact 1", "Contact 1", 50},
    {"Contact 2", "Contact2", 50},
    {"Telephone", "Tel", 15},
    {"FAX", "Fax", 15},
};

} // namespace

QString CarrierRecord::label(int field) { return QString::fromLatin1(Fields[field].label); }

QString CarrierRecord::fieldName(int field) { return QString::fromLatin1(Fields[field].name); }

int CarrierRecord::maxLength(int field) { return Fields[field].maxLength; }

QString CarrierRecord::rateTypeCode(RateType type)
{
    switch (type) {
    case RateType::Weight:
        return QStringLiteral("po");
    case RateType::Pallet:
        return QStringLiteral("pa");
    case RateType::Both:
        return QStringLiteral("popa");
    case RateType::None:
        break;
    }
    return {};
}

std::optional<RateType> CarrierRecord::rateTypeOf(const QString &code)
{
    for (RateType type : {RateType::Weight, RateType::Pallet, RateType::Both}) {
        if (code == rateTypeCode(type))
            return type;
    }
    return std::nullopt;
}

QString CarrierRecord::rateTypeCaption(RateType type)
{
    switch (type) {
    case RateType::Weight:
        return QStringLiteral("Rate LBS");
    case RateType::Pallet:
        return QStringLiteral("Rate pallet");
    case RateType::Both:
        return QStringLiteral("Rate LBS  AND  Rate pallet");
    case RateType::None:
        break;
    }
    return {};
}
