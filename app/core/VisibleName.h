#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// What a name may hold: a destination, carrier or customer name is read on lists, sheets and
// bills, so a character nobody can see there (a control, format or invisible character, or
// half of a surrogate pair) would make two names look alike or a printed name lie.
namespace VisibleName {

// The first such character of the name, as its code point (a lone surrogate as itself).
std::optional<char32_t> firstHiddenCharacter(QStringView name);

// "U+200B": the form every refusal names a character in.
QString characterCode(char32_t c);

// Empty for a name that may be stored; else the end of a one-line refusal, such as
// "holds the invisible character U+200B", for the caller to put after its own subject.
QString problem(QStringView name);

// The text with each such character written as its code in angle brackets ("NEW<U+200B>YORK"),
// so a message quoting a refused name shows what it holds, on one line.
QString shown(QStringView text);

} // namespace VisibleName
