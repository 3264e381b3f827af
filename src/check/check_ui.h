// What the article check needs from its window: the progress bar, the
// status line, the message boxes, the busy cursor, the input dialog, the
// event loop and the "Überprüfen" button. The window implements it; the
// check itself stays free of widgets.
#pragma once

#include <QString>
#include <optional>

class TCheckUi {
public:
    virtual ~TCheckUi() = default;
    virtual void SetProgressMax(int max) = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual int ProgressPosition() const = 0;
    virtual void SetStatus(const QString &miniHtml) = 0;
    virtual void ShowInfo(const QString &miniHtml) = 0;
    virtual bool AskQuestion(const QString &miniHtml) = 0;
    virtual void BusyCursorOn() = 0;
    virtual void BusyCursorOff() = 0;
    // Lets the window handle every pending event once.
    virtual void ProcessMessages() = 0;
    // The new article number, or nothing when the user cancelled.
    virtual std::optional<QString> InputNumber(const QString &initial) = 0;
    // A click on "Überprüfen" made in code, through its before-click veto.
    virtual void ClickCheckButton() = 0;
};
