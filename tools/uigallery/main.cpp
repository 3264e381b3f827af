// uigallery DIR: draws the widget kit in the states the tool shows it in and
// writes one PNG per picture into DIR, so that the look can be reviewed
// without a display.
#include "application_title.h"
#include "colors.h"
#include "dataset.h"
#include "db_grid.h"
#include "font_substitution.h"
#include "memtable.h"
#include "minihtmllabel.h"
#include "sb.h"
#include "slimbutton.h"
#include "slimpanel.h"
#include "slimprogressbar.h"
#include "ui_artwork.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QEnterEvent>
#include <QHeaderView>
#include <QPixmap>
#include <QTest>
#include <QVBoxLayout>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

class GalleryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string Local(const QString &text) { return text.toLocal8Bit().toStdString(); }

class Gallery {
public:
    explicit Gallery(const QString &dir) : dir_(dir) {
        if (!QDir().mkpath(dir_.absolutePath()))
            throw GalleryError("cannot create directory " + Local(dir_.absolutePath()));
    }

    void Save(const QString &name, const QPixmap &picture) const {
        const QString path = dir_.absoluteFilePath(name);
        if (picture.isNull()) throw GalleryError("nothing was drawn for " + Local(name));
        if (!picture.save(path, "PNG")) throw GalleryError("cannot write " + Local(path));
        std::printf("%s\n", Local(path).c_str());
        std::fflush(stdout);
    }

private:
    QDir dir_;
};

// A top-level window dressed like the tool's main window, so that the
// widgets inherit the same font and face colour they have there.
std::unique_ptr<QWidget> MakeForm(int width, int height) {
    auto form = std::make_unique<QWidget>();
    form->setFont(FormFont(QStringLiteral("MS Sans Serif"), -11));
    QPalette pal = form->palette();
    pal.setColor(QPalette::Window, ColorToQColor(clBtnFace));
    form->setPalette(pal);
    form->setAutoFillBackground(true);
    form->resize(width, height);
    return form;
}

// Hover needs an active window, and the kit reads activation from the
// platform, so the form is shown and activated for real.
void ShowActive(QWidget &form) {
    form.show();
    form.activateWindow();
    if (!QTest::qWaitForWindowExposed(&form)) throw GalleryError("window was never exposed");
    if (!QTest::qWaitForWindowActive(&form)) throw GalleryError("window was never activated");
    QCoreApplication::processEvents();
}

void StatusLabels(const Gallery &gallery) {
    const struct {
        const char *file;
        QString text;
    } states[] = {
        {"label-empty.png", QString()},
        {"label-verdict-unique.png", QStringLiteral("<B>Alle Artikelnummern sind eindeutig.")},
        {"label-verdict-duplicates.png",
         QStringLiteral("<B>Es existieren mindestens 15<BR>doppelte Artikelnummern.")},
        {"label-deleting.png", QStringLiteral("A-10065 <b>löschen..")},
        {"label-skipping.png", QStringLiteral("A-10065 <b>überspringen..")},
    };
    const std::unique_ptr<QWidget> form = MakeForm(548, 120);
    auto *label = new TMiniHtmlLabel(form.get());
    label->setObjectName(QStringLiteral("rlb"));
    label->setGeometry(0, 0, 548, 20);
    label->SetBorderWidth(6);
    label->SetShadowColor(clGray);
    label->SetShadowOffset(2);
    label->SetURLColor(clBlue);
    label->SetVAlignment(TMiniHtmlLabel::tvaTop);
    label->SetEllipsis(false);
    label->SetHover(false);
    label->SetAutoSizing(true);
    ShowActive(*form);
    for (const auto &state : states) {
        label->SetText(state.text);
        label->Paint();
        QCoreApplication::processEvents();
        gallery.Save(QString::fromLatin1(state.file), label->grab());
    }
}

void ProgressBars(const Gallery &gallery) {
    const std::unique_ptr<QWidget> form = MakeForm(433, 41);
    auto *bar = new TSlimProgressBar(form.get());
    bar->setObjectName(QStringLiteral("PG"));
    bar->setGeometry(8, 8, 417, 25);
    bar->SetMin(0);
    bar->SetMax(100);
    ShowActive(*form);
    for (int percent : {0, 50, 100}) {
        bar->SetPosition(percent);
        QCoreApplication::processEvents();
        gallery.Save(QStringLiteral("progress-%1.png").arg(percent), bar->grab());
    }
}

TSlimButton *MakeCheckButton(QWidget *parent, int x) {
    auto *button = new TSlimButton(parent);
    button->SetCaption(QStringLiteral("Überprüfen"));
    button->SetRound(0);
    button->SetLayout(TSlimButton::blGlyphLeft);
    button->SetGlyph(CheckGlyph());
    button->setGeometry(x, 12, 93, 37);
    return button;
}

void Buttons(const Gallery &gallery) {
    const std::unique_ptr<QWidget> form = MakeForm(420, 61);
    TSlimButton *up = MakeCheckButton(form.get(), 8);
    TSlimButton *hot = MakeCheckButton(form.get(), 108);
    TSlimButton *pressed = MakeCheckButton(form.get(), 208);
    TSlimButton *disabled = MakeCheckButton(form.get(), 308);
    ShowActive(*form);

    gallery.Save(QStringLiteral("button-up.png"), up->grab());

    // The hover watch cools a button the pointer is not over, so the pointer
    // really goes there before the enter event arrives.
    const QPoint centre = hot->rect().center();
    const QPoint global = hot->mapToGlobal(centre);
    QCursor::setPos(global);
    QEnterEvent enter(QPointF(centre), QPointF(hot->mapTo(form.get(), centre)), QPointF(global));
    QApplication::sendEvent(hot, &enter);
    if (!hot->Hot()) throw GalleryError("the button did not become hot on entering it");
    gallery.Save(QStringLiteral("button-hot.png"), hot->grab());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(hot, &leave);

    QTest::mousePress(pressed, Qt::LeftButton, {}, pressed->rect().center());
    if (pressed->State() != TSlimButton::bsDown) throw GalleryError("the button did not go down");
    gallery.Save(QStringLiteral("button-pressed.png"), pressed->grab());
    // Released outside, so that no click runs.
    QTest::mouseRelease(pressed, Qt::LeftButton, {}, QPoint(-5, -5));

    disabled->setEnabled(false);
    QCoreApplication::processEvents();
    gallery.Save(QStringLiteral("button-disabled.png"), disabled->grab());
}

std::unique_ptr<TMemTable> MakeResultTable() {
    auto km = std::make_unique<TMemTable>();
    km->SetName(QStringLiteral("KM"));
    km->AddFieldDef(QStringLiteral("ID"), TFieldType::ftInteger);
    km->AddFieldDef(QStringLiteral("BZ"), TFieldType::ftString, 100);
    km->AddFieldDef(QStringLiteral("ARTN"), TFieldType::ftString, 30);
    km->AddFieldDef(QStringLiteral("STK"), TFieldType::ftString, 20);
    km->AddFieldDef(QStringLiteral("DEL"), TFieldType::ftBoolean);
    km->Open();
    const struct {
        const char *bz, *artn, *stk;
    } rows[] = {
        {"Schraube M6 × 30 verzinkt", "A-10065", "12"},
        {"Sechskantmutter M6 verzinkt", "A-10065", ""},
        {"Unterlegscheibe Ø 6,4 mm", "A-10071", "250"},
        {"Dübel für Gasbetonwände", "A-10071", ""},
        {"Türgriff Edelstahl gebürstet", "B-2040", "3"},
        {"Türgriff Messing poliert", "B-2040", "1,5"},
        {"Kugelschreiber blau, Großpackung", "C-777", ""},
        {"Bürostuhl Drehstuhl schwarz", "C-777", "7"},
    };
    int id = 1;
    for (const auto &row : rows) {
        km->Append();
        km->FieldByName(QStringLiteral("ID"))->SetAsInteger(id++);
        km->FieldByName(QStringLiteral("BZ"))->SetAsString(QString::fromUtf8(row.bz));
        km->FieldByName(QStringLiteral("ARTN"))->SetAsString(QString::fromUtf8(row.artn));
        km->FieldByName(QStringLiteral("STK"))->SetAsString(QString::fromUtf8(row.stk));
        km->FieldByName(QStringLiteral("DEL"))->SetAsBoolean(false);
        km->Post();
    }
    km->First();
    return km;
}

void Grid(const Gallery &gallery) {
    const std::unique_ptr<TMemTable> km = MakeResultTable();
    TDataSource source;
    source.SetDataSet(km.get());

    const std::unique_ptr<QWidget> form = MakeForm(548, 190);
    auto *layout = new QVBoxLayout(form.get());
    layout->setContentsMargins(0, 0, 0, 0);
    auto *grid = new TI_DBGrid(form.get());
    grid->setObjectName(QStringLiteral("DBGrid_ARTMAIN"));
    layout->addWidget(grid);
    grid->SetOptions(TDBGridOptions(dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                                    dgRowSelect | dgAlwaysShowSelection | dgConfirmDelete |
                                    dgCancelOnExit | dgTitleClicked | dgFlatButtons |
                                    dgCompleteLines | dgAutoSize));
    grid->SetReadOnly(true);
    grid->SetAutoSearch(true);
    grid->SetDefaultRowHeight(17);
    grid->SetTitleFont(FormFont(QStringLiteral("MS Sans Serif"), 8));
    const struct {
        const char *field, *title;
        int width;
        bool indexed;
    } columns[] = {{"BZ", "Bezeichnung 1", 238, true},
                   {"ARTN", "Artikelnummer", 158, true},
                   {"STK", "Bereits gebucht", 130, false}};
    grid->Columns().BeginUpdate();
    for (const auto &c : columns) {
        TColumn *column = grid->Columns().Add();
        column->SetFieldName(QString::fromLatin1(c.field));
        column->SetWidth(c.width);
        column->SetIndexed(c.indexed);
        column->SetFont(FormFont(QStringLiteral("Tahoma"), -12));
        column->SetFontColor(clWindowText);
        column->Title()->SetCaption(QString::fromLatin1(c.title));
        column->Title()->SetColor(16744576);
        column->Title()->SetFont(FormFont(QStringLiteral("Tahoma"), -11));
        column->Title()->SetFontColor(clWhite);
    }
    grid->Columns().EndUpdate();
    grid->SetDataSource(&source);

    ShowActive(*form);
    grid->setFocus();
    QCoreApplication::processEvents();

    // The arrow only appears through a title click, as the user makes it.
    QHeaderView *header = grid->horizontalHeader();
    const int artn = 1;
    const QPoint title(header->sectionViewportPosition(artn) + header->sectionSize(artn) / 2,
                       header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
    if (grid->Columns()[artn]->IndexStyle() == idxNone)
        throw GalleryError("the title click did not set a sort arrow");
    QCoreApplication::processEvents();
    gallery.Save(QStringLiteral("grid.png"), grid->grab());
    // The grid must let go of the data source before the source goes.
    grid->SetDataSource(nullptr);
}

enum class BoxKind { Info, Question };

// The box as ShowInfoBox / ShowQuestionBox dress it, shown without a modal
// loop so that it can be photographed and closed from here.
void MessageBox(const Gallery &gallery, const QString &file, BoxKind kind, const QString &text) {
    const std::unique_ptr<TFSB_BOX> box(CreateMessageBox());
    box->FP_help->hide();
    box->HelpText.clear();
    box->TextLabel->SetText(ConvertBoxText(text));
    box->setWindowTitle(ApplicationTitle());
    if (kind == BoxKind::Info) {
        box->Pmsg->show();
        box->FBhelpS->setVisible(false);
        box->FB_BREAK2->setFocus(Qt::OtherFocusReason);
    } else {
        box->Pquestion->show();
        box->FBhelpQ->setVisible(false);
        box->FB_OK->setFocus(Qt::OtherFocusReason);
    }
    box->show();
    if (!QTest::qWaitForWindowExposed(box.get())) throw GalleryError("message box was never exposed");
    QCoreApplication::processEvents();
    gallery.Save(file, box->grab());
    box->close();
    QCoreApplication::processEvents();
}

void MessageBoxes(const Gallery &gallery) {
    MessageBox(gallery, QStringLiteral("infobox-short.png"), BoxKind::Info,
               QStringLiteral("<B>Abgebrochen.</B><BR>Es existieren mehr als 5000 doppelte Nummern."));
    QStringList lines;
    for (int i = 1; i <= 30; ++i)
        lines << QStringLiteral("Zeile %1: Artikelnummer A-%2 doppelt vergeben").arg(i).arg(10000 + i);
    MessageBox(gallery, QStringLiteral("infobox-long.png"), BoxKind::Info,
               lines.join(QStringLiteral("<BR>")));
    MessageBox(gallery, QStringLiteral("questionbox.png"), BoxKind::Question,
               QStringLiteral("Doppelte Artikel <b>jetzt löschen</b>?"));
}

} // namespace

int main(int argc, char **argv) {
    // Pictures need no display; a platform chosen by the caller still wins.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2 || args[1].isEmpty()) {
        std::fprintf(stderr, "usage: uigallery DIR\n");
        return 1;
    }
    SetApplicationTitle(QStringLiteral("Check auf doppelte Artikelnummern"));
    try {
        const Gallery gallery(args[1]);
        StatusLabels(gallery);
        ProgressBars(gallery);
        Buttons(gallery);
        Grid(gallery);
        MessageBoxes(gallery);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "uigallery: %s\n", e.what());
        return 1;
    }
    return 0;
}
