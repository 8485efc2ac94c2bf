#pragma once

#include "VellumPrintGlobal.h"

#include <QString>

#include <stdexcept>

/**
 * The error the print engine raises out of a failed operation. Its kind tells the caller
 * what failed; what() carries a readable message.
 */
class VELLUMPRINT_EXPORT VellumError : public std::runtime_error
{
public:
    enum class Kind {
        File, ///< report file or text file: no report open, cannot create, read or write
        Overflow, ///< a counter would leave its range (page 32767)
        InvalidArgument, ///< a null text, an unknown unit or orientation code
        Printer, ///< the printer or a print job failed or is not available
        Picture ///< an image file is missing or is not a picture
    };

    VellumError(Kind kind, const QString &message);

    /** What failed. */
    Kind kind() const noexcept { return m_kind; }
    /** The message as a QString. */
    QString message() const;

private:
    Kind m_kind;
};
