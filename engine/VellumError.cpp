#include "VellumError.h"

VellumError::VellumError(Kind kind, const QString &message)
    : std::runtime_error(message.toStdString())
    , m_kind(kind)
{
}

QString VellumError::message() const { return QString::fromStdString(what()); }
