#pragma once

#include <QString>
#include <functional>

class TFrameBase;

// Frames are made by class name ("TFrameChannel"), so the main window can pick the frame of a
// selected node from a table of names. Every frame class is registered once at start-up
// (RegisterFrameClasses); the main window makes one instance of each on first use.
using TFrameFactory = std::function<TFrameBase*()>;

void RegisterFrameClass(const QString& className, TFrameFactory factory);
template <class Frame> void RegisterFrameClass(const QString& className)
{
    RegisterFrameClass(className, [] { return new Frame; });
}
bool IsFrameClassRegistered(const QString& className);
// A new frame of the class with the current language's texts applied; null for a class
// that is not registered.
TFrameBase* CreateFrame(const QString& className);

// Registers every frame class of the program; running it again changes nothing.
void RegisterFrameClasses();
