#include "VellumPrinter.h"

class VellumPrinterPrivate
{
};

VellumPrinter::VellumPrinter(QObject *parent) : QObject(parent), d(std::make_unique<VellumPrinterPrivate>()) { }

VellumPrinter::~VellumPrinter() = default;
