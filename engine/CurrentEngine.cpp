#include "CurrentEngine.h"

#include "VellumPrinter.h"

#include <QPointer>

namespace {
// A QPointer so that a destroyed engine is never handed out.
QPointer<VellumPrinter> &engineRef()
{
    static QPointer<VellumPrinter> engine;
    return engine;
}
} // namespace

VellumPrinter *currentEngine() { return engineRef().data(); }

void setCurrentEngine(VellumPrinter *engine) { engineRef() = engine; }
