#pragma once

#include "VellumPrintGlobal.h"

#include <QObject>

#include <memory>

class VellumPrinterPrivate;

/**
 * The print engine: records a report into a report file, then previews, prints or exports it.
 */
class VELLUMPRINT_EXPORT VellumPrinter : public QObject
{
    Q_OBJECT
public:
    explicit VellumPrinter(QObject *parent = nullptr);
    ~VellumPrinter() override;

private:
    std::unique_ptr<VellumPrinterPrivate> d;
};
