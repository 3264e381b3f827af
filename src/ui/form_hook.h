// The look-and-feel hook every form passes through right after it is
// created: help context, placement on the monitor the user works on, and
// the skin file (through the class registered as "TColorWrapper").
//
// A form is a top-level QWidget. Forms that want the design-time settings
// the hook reads declare them as properties: "BorderStyle" (TFormBorderStyle)
// and "Position" (TPosition). Without them a frameless window counts as
// bsNone, any other as bsSizeable, and the position mode is poDesigned.
#pragma once

#include <QRect>

class QObject;
class QScreen;
class QWidget;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};

TFormBorderStyle FormBorderStyle(const QWidget *form);
TPosition FormPosition(const QWidget *form);
void SetFormPosition(QWidget *form, TPosition position);

// The process-wide hook slot; empty until the application object exists,
// which installs ApplyFormHook, and emptied again when it is destroyed.
using TFormHookProc = void (*)(QObject *form, bool flag);
void SetFormHook(TFormHookProc hook);
void ClearFormHook();
// Does nothing while the slot is empty.
void CallFormHook(QObject *form, bool flag);

// 1. A window gets the property "HelpContext" = 1. 2. With `flag`, a window
// whose border style is not bsNone is placed (PlaceForm(form, false)).
// 3. The registered "TColorWrapper" applies the skin file, if registered.
void ApplyFormHook(QObject *form, bool flag);

// The form the hook measures against when no window is active.
void SetMainForm(QWidget *form);
QWidget *MainForm();

// Keeps the form inside the monitor the user works on; a poScreenCenter
// form is centred there once and becomes poDesigned. Unless `force`, a
// bsNone form is left alone.
void PlaceForm(QWidget *form, bool force);

struct TWorkMonitor {
    QScreen *monitor = nullptr;
    // The monitor's work area differs from its full area (a task bar on it).
    bool workAreaDiffers = true;
};
// The monitor holding more than half of the active form (or the main form).
TWorkMonitor FindWorkMonitor();

// The arithmetic of PlaceForm, free of windows: `form` is the form's outer
// rectangle, `monitor` the chosen monitor's full rectangle, `workArea` the
// primary screen's work area. Returns the new outer rectangle.
QRect PlaceFormRect(const QRect &form, bool centre, const QRect &monitor, bool workAreaDiffers,
                    const QRect &workArea);
