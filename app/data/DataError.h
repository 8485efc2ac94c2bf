#pragma once

#include <QString>

#include <stdexcept>

class QSqlError;

// A failure of the rate database. The two conditions the windows handle themselves have their
// own kind (and the codes the windows know them by); every other failure carries its cause.
class DataError : public std::runtime_error
{
public:
    enum class Kind {
        NoCurrentRow, // 3021: the result is empty or the position is past the end
        DuplicateKey, // 3022: a saved row would repeat a value of a unique index
        Other,
    };

    static constexpr int NoCurrentRowCode = 3021;
    static constexpr int DuplicateKeyCode = 3022;

    DataError(Kind kind, const QString &message);

    static DataError noCurrentRow(const QString &source = {});
    static DataError duplicateKey(const QString &cause);
    static DataError other(const QString &cause);
    // A refusal of the database engine: a unique index gives DuplicateKey, anything else Other
    // with the engine's text after the context.
    static DataError fromSqlError(const QSqlError &error, const QString &context);

    Kind kind() const { return m_kind; }
    // 3021, 3022, or 0 for any other failure.
    int code() const;
    QString message() const { return m_message; }

private:
    Kind m_kind;
    QString m_message;
};
