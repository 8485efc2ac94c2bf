#pragma once

#include <QString>

#include <array>
#include <optional>

// The rate types a carrier can have, as the options of the carrier panel offer them.
enum class RateType {
    None, // no option selected yet
    Weight, // "Rate LBS", code "po"
    Pallet, // "Rate pallet", code "pa"
    Both, // "Rate LBS  AND  Rate pallet", code "popa"
};

// The fields of a carrier record (IdentTrans) the carrier panel edits, in the panel's order.
struct CarrierRecord
{
    enum Field {
        NomTrans,
        NomLongTrans,
        NoRue,
        Ville,
        CodPos,
        Province,
        Contact1,
        Contact2,
        Tel,
        Fax,
    };
    static constexpr int FieldCount = 10;

    static QString label(int field); // "Name (short)", ...
    static QString fieldName(int field); // "NomTrans", ..., "Contact 1", ...
    static int maxLength(int field);

    // "po", "pa", "popa"; empty for None.
    static QString rateTypeCode(RateType type);
    // The option of a code; nothing for an empty or unknown code.
    static std::optional<RateType> rateTypeOf(const QString &code);
    static QString rateTypeCaption(RateType type);

    std::array<QString, FieldCount> values;

    const QString &operator[](int field) const { return values.at(field); }
    QString &operator[](int field) { return values.at(field); }
    bool operator==(const CarrierRecord &) const = default;
};
