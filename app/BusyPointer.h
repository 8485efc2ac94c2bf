#pragma once

#include <QApplication>

// The busy mouse pointer for as long as a lookup, a save or an opening runs.
class BusyPointer
{
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

// Runs a save under the busy pointer: waiting for a lock another clerk holds must not look like
// a frozen window. Returns what fn returns.
template<typename Fn> auto whileBusy(Fn &&fn)
{
    const BusyPointer busy;
    return fn();
}
