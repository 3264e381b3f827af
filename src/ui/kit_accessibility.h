// What assistive technology reads of the kit's own widgets. The flat
// button is a push button named by its caption, whose press action is a
// click with its before-click veto; the progress bar is a progress bar
// with its range and position as values; the mini-HTML labels are static
// text named by the text they show. The data grid is a table view and has
// Qt's table interface, with the column titles as headers.
//
// A name set with setAccessibleName() wins over the derived one.
#pragma once

#include <QString>
#include <functional>

class QAccessibleEvent;
class QObject;

// Registers the interfaces once per process. Every kit widget calls it from
// its constructor, before anything can ask for its interface.
void InstallKitAccessibility();

// A caption as it is read: "&&" is one ampersand, a single "&" marks the
// accelerator and is dropped, "<br>" in any letter case is a blank.
QString AccessibleCaption(const QString &caption);

// Qt hands events on only while a screen reader's bridge is active (there
// is none on the off-screen platform); a watch set here sees every event
// the kit's widgets tell, bridge or not. An empty function removes it.
void SetAccessibleEventWatch(std::function<void(QAccessibleEvent *)> watch);

// Tells assistive technology that what the widget is named has changed.
void NotifyAccessibleNameChanged(QObject *widget);
// Tells assistive technology the widget's new value.
void NotifyAccessibleValueChanged(QObject *widget, int value);
