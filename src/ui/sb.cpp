#include "sb.h"

#include "application_title.h"
#include "font_substitution.h"
#include "form_hook.h"
#include "minihtmllabel.h"
#include "slimbutton.h"
#include "slimpanel.h"
#include "text_lines.h"
#include "ui_artwork.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <cmath>
#include <memory>

namespace {

constexpr int kMaxLines = 21;
constexpr int kButtonStripExtra = 37; // button strip 35 + 2
constexpr int kInputStripExtra = 70;

// Input list rows: the selection colours when selected, otherwise light
// yellow and white by turns, text cut with an ellipsis.
class TInputRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const QColor background = selected          ? option.palette.color(QPalette::Highlight)
                                  : index.row() % 2 ? ColorToQColor(0xBCF5FE)
                                                    : QColor(Qt::white);
        painter->fillRect(option.rect, background);
        painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                                 : option.palette.color(QPalette::Text));
        const QRect textRect = option.rect.adjusted(5, 1, 0, 0);
        const QString text = option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight,
                                                           textRect.width());
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
    }
};

TSlimButton *MakeButton(QWidget *parent, const char *name, const QString &caption,
                        const QRect &geometry, const QPixmap &glyph, bool tabStop) {
    auto *button = new TSlimButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->SetCaption(caption);
    button->setGeometry(geometry);
    button->SetColor(clBtnFace);
    button->SetColorBorder(clBtnFace);
    button->SetLayout(TSlimButton::blGlyphLeft);
    button->SetGlyph(glyph);
    button->SetTabStop(tabStop);
    return button;
}

TSlimPanel *MakeStrip(QWidget *parent, const char *name, int height, bool visible) {
    auto *panel = new TSlimPanel(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->SetColor(clWhite); // the form's colour until FormCreate
    panel->setGeometry(0, 0, parent->width(), height);
    panel->setVisible(visible);
    return panel;
}

QWidget *MakeRightPanel(QWidget *parent, const char *name, int width) {
    auto *panel = new QWidget(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(parent->width() - width, 0, width, parent->height());
    return panel;
}

QLabel *MakeImage(QWidget *parent, const char *name) {
    auto *image = new QLabel(parent);
    image->setObjectName(QString::fromLatin1(name));
    image->setGeometry(5, 5, 24, 24);
    image->setPixmap(SpeechBubblePicture());
    return image;
}

bool IsModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_AltGr || key == Qt::Key_Meta;
}

QRect PrimaryScreenGeometry() {
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 800, 600);
}

} // namespace

TFSB_BOX::TFSB_BOX(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FSB_BOX"));
    setProperty("BorderStyle", int(bsDialog));
    setProperty("Position", int(poScreenCenter));
    setAutoFillBackground(true);
    setFont(FormFont(QStringLiteral("Tahoma"), 8));
    SetColor(clWhite);
    resize(406, 187);

    // Creation order is the tab order.
    FP_help = MakeStrip(this, "FP_help", 23, true);

    Pmsg = MakeStrip(this, "Pmsg", 35, false);
    Image1 = MakeImage(Pmsg, "Image1");
    FBhelpS = MakeButton(Pmsg, "FBhelpS", QStringLiteral("Hilfe"), QRect(93, 4, 94, 25),
                         HelpGlyph(), false);
    Panel2 = MakeRightPanel(Pmsg, "Panel2", 89);
    FB_BREAK2 = MakeButton(Panel2, "FB_BREAK2", QStringLiteral("Schließen"), QRect(7, 4, 77, 25),
                           CloseGlyph(), true);

    Pquestion = MakeStrip(this, "Pquestion", 35, false);
    Image2 = MakeImage(Pquestion, "Image2");
    FBhelpQ = MakeButton(Pquestion, "FBhelpQ", QStringLiteral("Hilfe"), QRect(93, 4, 94, 25),
                         HelpGlyph(), false);
    FBhelpQ->setFont(FormFont(QStringLiteral("Tahoma"), 8));
    Panel1 = MakeRightPanel(Pquestion, "Panel1", 173);
    FB_OK =
        MakeButton(Panel1, "FB_OK", QStringLiteral("Ja"), QRect(8, 4, 77, 25), YesGlyph(), true);
    FB_BREAK1 = MakeButton(Panel1, "FB_BREAK1", QStringLiteral("Nein"), QRect(91, 4, 77, 25),
                           NoGlyph(), true);

    Pinput = MakeStrip(this, "Pinput", 61, false);
    Panel3 = MakeRightPanel(Pinput, "Panel3", 185);
    SlimPanel1 = new TSlimPanel(Pinput);
    SlimPanel1->setObjectName(QStringLiteral("SlimPanel1"));
    SlimPanel1->setGeometry(0, 0, 406, 25);
    Label1 = new QLabel(QStringLiteral("Eingabe:"), SlimPanel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(FormFont(QStringLiteral("Arial"), 8));
    Label1->move(72, 6);
    Label1->adjustSize();
    FINPE = new QComboBox(SlimPanel1);
    FINPE->setObjectName(QStringLiteral("FINPE"));
    FINPE->setEditable(true);
    FINPE->lineEdit()->setPlaceholderText(QStringLiteral("Eingabe"));
    FINPE->setGeometry(116, 2, 289, 21);
    FINPE->setItemDelegate(new TInputRowDelegate(FINPE));
    FB_HELPI = MakeButton(Pinput, "FB_HELPI", QStringLiteral("Hilfe"), QRect(93, 28, 94, 25),
                          HelpGlyph(), false);
    FB_ICANCEL = MakeButton(Panel3, "FB_ICANCEL", QStringLiteral("Abbrechen"), QRect(7, 30, 82, 25),
                            NoGlyph(), true);
    FB_IOK = MakeButton(Panel3, "FB_IOK", QStringLiteral("Übernehmen"), QRect(92, 30, 89, 25),
                        YesGlyph(), true);
    SlimPanel1->raise();

    connect(FB_OK, &TSlimButton::OnClick, this, [this] { FB_OKClick(); });
    connect(FB_BREAK1, &TSlimButton::OnClick, this, [this] { FB_BREAK1Click(); });
    connect(FB_BREAK2, &TSlimButton::OnClick, this, [this] { FB_BREAK1Click(); });
    connect(FB_IOK, &TSlimButton::OnClick, this, [this] { FB_IOKClick(); });
    connect(FB_ICANCEL, &TSlimButton::OnClick, this, [this] { FB_ICANCELClick(); });
    for (TSlimButton *help : {FBhelpS, FBhelpQ, FB_HELPI})
        connect(help, &TSlimButton::OnClick, this,
                [this](QObject *sender) { FBhelpQClick(sender); });
    connect(FB_OK, &TSlimButton::OnSelectNext, this, &TFSB_BOX::FB_OKSelectNext);
    connect(FB_IOK, &TSlimButton::OnSelectNext, this, &TFSB_BOX::FB_OKSelectNext);
    connect(FB_BREAK1, &TSlimButton::OnSelectNext, this, &TFSB_BOX::FB_BREAK1SelectNext);
    connect(FB_ICANCEL, &TSlimButton::OnSelectNext, this, &TFSB_BOX::FB_BREAK1SelectNext);
    connect(FB_BREAK2, &TSlimButton::OnSelectNext, this, &TFSB_BOX::FB_BREAK2SelectNext);

    // The form sees every key before the focused control (key preview).
    qApp->installEventFilter(this);
    FormCreate();
}

void TFSB_BOX::SetColor(TColor color) {
    color_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorToQColor(color));
    setPalette(pal);
    update();
}

void TFSB_BOX::SetModalResult(int result) {
    modalResult_ = result;
    if (result != 0) done(result);
}

int TFSB_BOX::ShowModal() {
    modalResult_ = 0;
    return exec();
}

void TFSB_BOX::FormCreate() {
    CallFormHook(this, true);
    LinkClicked = false;

    TextLabel = new TSBHTM(this);
    TextLabel->SetAlign(TCustomHtmlLabel::alTop);
    TextLabel->SetAutoSizeType(TCustomHtmlLabel::asVertical);
    TextLabel->setGeometry(0, 0, width(), TextLabel->height());
    TextLabel->SetAutoSizing(true);
    // A windowless label lies beneath the strips, so that a message taller
    // than the box disappears behind the buttons rather than over them.
    TextLabel->lower();
    HelpLabel = new TSBHTM(FP_help);
    HelpLabel->SetAlign(TCustomHtmlLabel::alTop);
    HelpLabel->SetAutoSizeType(TCustomHtmlLabel::asVertical);
    HelpLabel->setGeometry(0, 0, FP_help->width(), HelpLabel->height());
    HelpLabel->SetAutoSizing(true);

    const QRect screen = PrimaryScreenGeometry();
    if (screen.width() > 800) {
        TextLabel->setFont(FormFont(QStringLiteral("Tahoma"), 10));
        HelpLabel->setFont(FormFont(QStringLiteral("Tahoma"), 10));
        setFont(FormFont(QStringLiteral("Tahoma"), 9));
        Panel2->resize(int(Panel2->width() * 1.1), Panel2->height());
        FB_BREAK2->setGeometry(2, FB_BREAK2->y(), Panel2->width() - 4, FB_BREAK2->height());
        Panel3->resize(int(Panel3->width() * 1.2), Panel3->height());
        FB_ICANCEL->setGeometry(7, FB_ICANCEL->y(), int(FB_ICANCEL->width() * 1.2),
                                FB_ICANCEL->height());
        FB_IOK->setGeometry(FB_ICANCEL->x() + FB_ICANCEL->width() + 4, FB_IOK->y(),
                            int(FB_IOK->width() * 1.2), FB_IOK->height());
    }
    SlimPanel1->resize(SlimPanel1->width(), FINPE->height() + 4);

    TextLabel->SetLinkCallback([this] { LinkHandler(); });
    HelpLabel->SetLinkCallback([this] { LinkHandler(); });

    Pmsg->SetColor(clBtnFace);
    Pinput->SetColor(clBtnFace);
    Pquestion->SetColor(clBtnFace);

    // Rounded half to even, as the platform rounds.
    setMaximumHeight(int(std::nearbyint(screen.height() * 0.7)));
    RealignPanels();
}

void TFSB_BOX::LinkHandler() {
    LinkClicked = true;
    SetModalResult(2);
}

void TFSB_BOX::RealignPanels() {
    int y = height();
    for (TSlimPanel *strip : {FP_help, Pmsg, Pquestion, Pinput}) {
        if (strip->isHidden()) {
            strip->resize(width(), strip->height());
            continue;
        }
        y -= strip->height();
        strip->setGeometry(0, y, width(), strip->height());
    }
    const auto alignRight = [](QWidget *panel) {
        QWidget *strip = panel->parentWidget();
        panel->setGeometry(strip->width() - panel->width(), 0, panel->width(), strip->height());
    };
    alignRight(Panel2);
    alignRight(Panel1);
    alignRight(Panel3);
    if (TextLabel) TextLabel->setGeometry(0, 0, width(), TextLabel->height());
    if (HelpLabel) HelpLabel->setGeometry(0, 0, FP_help->width(), HelpLabel->height());
}

void TFSB_BOX::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    RealignPanels();
}

void TFSB_BOX::showEvent(QShowEvent *event) {
    FormShow();
    QDialog::showEvent(event);
}

void TFSB_BOX::FormShow() {
    SetColor(clWhite);
    TextLabel->Paint();
    TSlimPanel *strip = !Pquestion->isHidden() ? Pquestion : !Pinput->isHidden() ? Pinput : Pmsg;
    strip->move(strip->x(), TextLabel->height() + 2);
    resize(width(),
           TextLabel->height() + (!Pinput->isHidden() ? kInputStripExtra : kButtonStripExtra));
    RealignPanels();
    ForceForegroundWindow(this);
}

void TFSB_BOX::FBhelpQClick(QObject *sender) {
    if (HelpText.isEmpty()) return;
    HelpLabel->SetText(ConvertBoxText(HelpText));
    HelpLabel->Paint();
    FP_help->resize(FP_help->width(), HelpLabel->height() + 5);
    resize(width(), height() + FP_help->height());
    if (auto *button = qobject_cast<QWidget *>(sender)) button->setEnabled(false);
    FP_help->show();
    RealignPanels();
}

void TFSB_BOX::FB_OKClick() {
    SetModalResult(1);
}
void TFSB_BOX::FB_BREAK1Click() {
    SetModalResult(2);
}
void TFSB_BOX::FB_IOKClick() {
    SetModalResult(1);
}
void TFSB_BOX::FB_ICANCELClick() {
    SetModalResult(2);
}

void TFSB_BOX::FB_OKSelectNext(QWidget *&, QWidget *&, quint16 charCode, bool &) {
    if (charCode == 13) SetModalResult(1);
}

void TFSB_BOX::FB_BREAK1SelectNext(QWidget *&, QWidget *&, quint16 charCode, bool &) {
    if (charCode == 13) SetModalResult(2);
}

void TFSB_BOX::FB_BREAK2SelectNext(QWidget *&, QWidget *&, quint16 charCode, bool &) {
    if (charCode == 13) SetModalResult(1);
}

void TFSB_BOX::FormKeyDown(int &key, Qt::KeyboardModifiers modifiers) {
    const bool modifierHeld =
        (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) ||
        IsModifierKey(key);
    if (key == Qt::Key_F1) {
        key = 0;
        return;
    }
    if (Pinput->isHidden() && Pquestion->isHidden() && !modifierHeld) {
        SetModalResult(2);
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) SetModalResult(1);
    if (key == Qt::Key_Escape) {
        if (!Pinput->isHidden() && FB_ICANCEL->isHidden())
            SetModalResult(1);
        else if (!FINPE->view()->isVisible())
            SetModalResult(2);
    }
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        QWidget *focused = focusWidget();
        if (focused == FB_OK)
            FB_BREAK1->setFocus(Qt::OtherFocusReason);
        else if (focused == FB_BREAK1)
            FB_OK->setFocus(Qt::OtherFocusReason);
        else if (focused == FB_IOK && FB_ICANCEL->isVisible() && FB_ICANCEL->isEnabled())
            FB_ICANCEL->setFocus(Qt::OtherFocusReason);
        else if (focused == FB_ICANCEL)
            FB_IOK->setFocus(Qt::OtherFocusReason);
    }
}

void TFSB_BOX::FormKeyPress(QChar &key) {
    if (key == QChar(27) && !FINPE->view()->isVisible()) key = QChar();
}

void TFSB_BOX::FINPEKeyPress(QChar &key) {
    if (key == QChar(13)) {
        key = QChar();
        FB_IOKClick();
    }
}

bool TFSB_BOX::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    auto *target = qobject_cast<QWidget *>(watched);
    if (!target || target->window() != this || !isVisible()) return false;
    // An ignored key travels up the parent chain and passes this filter
    // again; only its first receiver is previewed.
    QWidget *first = focusWidget() ? focusWidget() : this;
    if (target != first) return false;
    auto *keyEvent = static_cast<QKeyEvent *>(event);
    const int key = keyEvent->key();
    // Dialog navigation runs before the form sees a key, and a flat button
    // takes Enter before the form does.
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Up || key == Qt::Key_Down)
        return false;
    if (qobject_cast<TSlimButton *>(target) && TSlimButton::HandlesKeyFirst(key)) return false;

    int previewed = key;
    FormKeyDown(previewed, keyEvent->modifiers());
    if (previewed == 0 || modalResult_ != 0) return true;

    if (!keyEvent->text().isEmpty()) {
        QChar ch = keyEvent->text().at(0);
        FormKeyPress(ch);
        if (ch.isNull()) return true;
        if (target == FINPE || target == FINPE->lineEdit()) {
            FINPEKeyPress(ch);
            if (ch.isNull()) return true;
        }
    }
    return false;
}

void TFSB_BOX::keyPressEvent(QKeyEvent *event) {
    // The dialog's own Escape and Enter handling is replaced by the key
    // rules of FormKeyDown.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFSB_BOX::reject() {
    SetModalResult(2);
}

void TFSB_BOX::changeEvent(QEvent *event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) FormDeactivate();
}

void TFSB_BOX::FormDeactivate() {
    if (LinkClicked || modalResult_ != 0 || !isVisible()) return;
    // Taking activation back inside the notification would fight the
    // platform's own focus change; it is done once that has finished.
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && modalResult_ == 0 && !LinkClicked) ForceForegroundWindow(this);
    });
}

// ---------------------------------------------------------------------------

TFSB_BOX *CreateMessageBox() {
    auto *box = new TFSB_BOX(nullptr);
    box->SetColor(clWhite);
    PlaceForm(box, false);
    return box;
}

QString ReplaceAllIgnoreCase(const QString &text, const QString &pattern,
                             const QString &replacement) {
    if (pattern.isEmpty()) return text;
    const auto lower = [](QChar c) {
        return (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + 32) : c;
    };
    QString result;
    qsizetype i = 0;
    while (i < text.size()) {
        bool match = i + pattern.size() <= text.size();
        for (qsizetype k = 0; match && k < pattern.size(); ++k)
            match = lower(text[i + k]) == lower(pattern[k]);
        if (match) {
            result += replacement;
            i += pattern.size();
        } else {
            result += text[i++];
        }
    }
    return result;
}

QString ConvertBoxText(const QString &text) {
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("<BR>"));
    normalised = ReplaceAllIgnoreCase(normalised, QStringLiteral("<BR>"), QStringLiteral("\r\n"));
    const QStringList lines = SplitTextLines(normalised);
    QString joined;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!joined.isEmpty()) joined += QStringLiteral("<br>");
        joined += lines[i];
        if (i == kMaxLines - 1 && i + 1 < lines.size()) {
            joined += QStringLiteral("<br>................<br>") + lines.last();
            break;
        }
    }
    return joined;
}

bool ForceForegroundWindow(QWidget *window) {
    if (!window) return false;
    window->raise();
    window->activateWindow();
    return window->isActiveWindow();
}

void ShowInfoBox(const QString &text, const QString &helpText, const QString &caption) {
    const std::unique_ptr<TFSB_BOX> box(CreateMessageBox());
    box->HelpText.clear();
    box->FP_help->hide();
    box->TextLabel->SetText(ConvertBoxText(text));
    box->Pmsg->show();
    box->setWindowTitle(caption.isEmpty() ? ApplicationTitle() : caption);
    box->FBhelpS->setVisible(!helpText.isEmpty());
    box->HelpText = helpText;
    box->FB_BREAK2->setFocus(Qt::OtherFocusReason);
    box->ShowModal();
}

bool ShowQuestionBox(const QString &text, const QString &helpText, const QString &caption) {
    const std::unique_ptr<TFSB_BOX> box(CreateMessageBox());
    box->FP_help->hide();
    box->TextLabel->SetText(ConvertBoxText(text));
    box->Pquestion->show();
    box->setWindowTitle(caption.isEmpty() ? ApplicationTitle() : caption);
    box->FBhelpQ->setVisible(!helpText.isEmpty());
    box->HelpText = helpText;
    box->FB_OK->setFocus(Qt::OtherFocusReason);
    return box->ShowModal() == 1;
}
