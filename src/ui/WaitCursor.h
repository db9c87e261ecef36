#pragma once

#include <QApplication>

// Shows the busy cursor while it lives; restored on every path out of a command.
class TWaitCursor
{
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};
