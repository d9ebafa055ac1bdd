#pragma once

#include <QCursor>
#include <QGuiApplication>

// The application-wide hourglass for the length of one command, restored
// however the command ends. Work that ends later, on a signal, holds one in a
// std::optional member: emplace() when it starts, reset() when it ends, and
// the owner's destruction puts the pointer back if the end never comes.
// Widget code only: it needs the Gui module.
class WaitCursor
{
public:
    explicit WaitCursor(Qt::CursorShape shape = Qt::WaitCursor) { QGuiApplication::setOverrideCursor(shape); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
