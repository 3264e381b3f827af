// The suite's own modal message box: a white, always-on-top dialog whose
// message is mini-HTML, sized in height to its text. ShowInfoBox shows it
// with one close button, ShowQuestionBox with "Ja" and "Nein".
#pragma once

#include "colors.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class TSBHTM;
class TSlimButton;
class TSlimPanel;

class TFSB_BOX : public QDialog {
    Q_OBJECT
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)

public:
    explicit TFSB_BOX(QWidget *parent = nullptr);

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int ModalResult() const { return modalResult_; }
    // A result other than 0 closes the box with it.
    void SetModalResult(int result);
    int ShowModal();

    // Design-time components, bottom-aligned strips first.
    TSlimPanel *FP_help = nullptr;
    TSlimPanel *Pmsg = nullptr;
    QLabel *Image1 = nullptr;
    TSlimButton *FBhelpS = nullptr;
    QWidget *Panel2 = nullptr;
    TSlimButton *FB_BREAK2 = nullptr;
    TSlimPanel *Pquestion = nullptr;
    QLabel *Image2 = nullptr;
    TSlimButton *FBhelpQ = nullptr;
    QWidget *Panel1 = nullptr;
    TSlimButton *FB_OK = nullptr;
    TSlimButton *FB_BREAK1 = nullptr;
    TSlimPanel *Pinput = nullptr;
    TSlimPanel *SlimPanel1 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *FINPE = nullptr;
    TSlimButton *FB_HELPI = nullptr;
    QWidget *Panel3 = nullptr;
    TSlimButton *FB_ICANCEL = nullptr;
    TSlimButton *FB_IOK = nullptr;

    // Run-time members.
    TSBHTM *TextLabel = nullptr;
    TSBHTM *HelpLabel = nullptr;
    QString HelpText;
    bool LinkClicked = false;

    void FormCreate();
    void FormShow();
    void FormKeyDown(int &key, Qt::KeyboardModifiers modifiers);
    void FormKeyPress(QChar &key);
    void FormDeactivate();
    void FB_OKClick();
    void FB_BREAK1Click();
    void FB_IOKClick();
    void FB_ICANCELClick();
    void FBhelpQClick(QObject *sender);
    void FB_OKSelectNext(QWidget *&source, QWidget *&dest, quint16 charCode, bool &accept);
    void FB_BREAK1SelectNext(QWidget *&source, QWidget *&dest, quint16 charCode, bool &accept);
    void FB_BREAK2SelectNext(QWidget *&source, QWidget *&dest, quint16 charCode, bool &accept);
    void FINPEKeyPress(QChar &key);

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void RealignPanels();
    void LinkHandler();

    TColor color_ = clBtnFace;
    int modalResult_ = 0;
};

void ShowInfoBox(const QString &text, const QString &helpText = QString(),
                 const QString &caption = QString());
// True only when the box was closed with "Ja".
bool ShowQuestionBox(const QString &text, const QString &helpText = QString(),
                     const QString &caption = QString());

TFSB_BOX *CreateMessageBox();
// Normalises the line breaks of a message and limits it to 21 lines, a
// line of dots and the last line.
QString ConvertBoxText(const QString &text);
// Replaces every occurrence, comparing ASCII letters without regard to case.
QString ReplaceAllIgnoreCase(const QString &text, const QString &pattern,
                             const QString &replacement);
// Brings a window of this process to the front and activates it.
bool ForceForegroundWindow(QWidget *window);
