#include "main_window.h"

#include "application_title.h"
#include "busy_cursor.h"
#include "colors.h"
#include "command_line.h"
#include "db_connection.h"
#include "db_errors.h"
#include "db_grid.h"
#include "db_settings.h"
#include "db_table.h"
#include "font_substitution.h"
#include "form_hook.h"
#include "input_dialog.h"
#include "menu_registration.h"
#include "minihtmllabel.h"
#include "panel.h"
#include "result_table.h"
#include "sb.h"
#include "slimbutton.h"
#include "slimprogressbar.h"
#include "ui_artwork.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>

TSettingsHandOver &SettingsHandOver() {
    static TSettingsHandOver handOver;
    return handOver;
}

namespace {

// The owner of the window's non-visual components.
class TComponentOwner : public TComponent {
public:
    using TComponent::TComponent;
};

TPanel *Panel(QWidget *parent, const QString &name) {
    auto *panel = new TPanel(parent);
    panel->setObjectName(name);
    panel->SetBevelOuter(bkNone);
    return panel;
}

}  // namespace

TFMain::TFMain(const QStringList &arguments, QWidget *parent)
    : QWidget(parent), arguments_(arguments) {
    setObjectName(QStringLiteral("FMain"));
    setWindowTitle(QStringLiteral("Artikelnummern-Überprüfung"));
    // Centred on the screen: the form hook's placement centres it once.
    SetFormPosition(this, poScreenCenter);
    components_ = new TComponentOwner(nullptr);
    components_->SetName(QStringLiteral("FMain"));

    dbSettings1_ = new TDbSettings(components_);
    dbSettings1_->SetName(QStringLiteral("DbSettings1"));
    dbSettings1_->BeginLoading();
    dbSettings1_->SetDateFormat(QStringLiteral("DD.MM.yyyy"));
    dbSettings1_->SetNumDecimals(2);
    dbSettings1_->SetSetProcessDate(true);
    dbSettings1_->SetShowDeleted(true);
    dbSettings1_->SetDbServerTypes({TDbServerType::stDB_REMOTE, TDbServerType::stDB_INTERNET});
    dbSettings1_->SetNumCachedTables(0);
    dbSettings1_->SetNumCachedCursors(25);
    dbSettings1_->EndLoading();

    dbConnection_ = new TDbConnection(components_);
    dbConnection_->SetName(QStringLiteral("DbConnection"));
    dbConnection_->DbServerTypes = {TDbServerType::stDB_LOCAL};
    dbConnection_->LoginPrompt = true;
    dbConnection_->Compression = TDbCompressionTypes::ccDbCompressionNotSet;

    auto table = [&](const QString &name, const QString &tableName) {
        auto *t = new TDbTable(components_);
        t->SetName(name);
        t->SetDbConnection(dbConnection_);
        t->SetTableName(tableName);
        return t;
    };
    tableArtMain_ = table(QStringLiteral("Table_ARTMAIN"), QStringLiteral("ArtikelMain.TBL"));
    dbTableSettings_ = table(QStringLiteral("DbTableSettings"), QStringLiteral("setup.TBL"));
    dbTableSettings_->SetIndexName(QStringLiteral("IDENT"));
    subtable_ = table(QStringLiteral("Subtable"), QStringLiteral("Artikelsub.TBL"));

    km_ = new TResultTable(components_);
    dataSource_ = new TDataSource(components_);
    dataSource_->SetName(QStringLiteral("DataSource_ARTMAIN"));
    dataSource_->SetDataSet(km_);
    check_ = std::make_unique<TArticleCheck>(tableArtMain_, subtable_, km_, this);

    BuildLayout();
    FormCreate();
}

TFMain::~TFMain() {
    qApp->removeEventFilter(this);
    check_.reset();
    // The grid lets go of the data source before the components go.
    if (grid_) grid_->SetDataSource(nullptr);
    delete components_;
}

void TFMain::BuildLayout() {
    setFont(FormFont(QStringLiteral("MS Sans Serif"), -11));
    SetColor(clBtnFace);
    resize(548, 397);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    panel3_ = Panel(this, QStringLiteral("Panel3"));
    panel3_->setFixedHeight(61);
    panel3_->setFocusPolicy(Qt::TabFocus);
    auto button = [&](QWidget *parent, const QString &name, const QString &caption, QRect r) {
        auto *b = new TSlimButton(parent);
        b->setObjectName(name);
        b->SetCaption(caption);
        b->SetRound(0);
        b->SetLayout(TSlimButton::blGlyphLeft);
        b->setGeometry(r);
        return b;
    };
    slimButton4_ = button(panel3_, QStringLiteral("SlimButton4"), QStringLiteral("Überprüfen"), {8, 12, 93, 37});
    slimButton2_ = button(panel3_, QStringLiteral("SlimButton2"), QStringLiteral("Artikelnummer ändern"), {108, 12, 165, 37});
    slimButton3_ = button(panel3_, QStringLiteral("SlimButton3"), QStringLiteral("Alle doppelten löschen"), {280, 12, 165, 37});
    layout->addWidget(panel3_);

    grid_ = new TI_DBGrid(this);
    grid_->setObjectName(QStringLiteral("DBGrid_ARTMAIN"));
    grid_->setMinimumWidth(150);
    grid_->SetOptions(TDBGridOptions(dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgRowSelect |
                                     dgAlwaysShowSelection | dgConfirmDelete | dgCancelOnExit | dgTitleClicked |
                                     dgFlatButtons | dgCompleteLines | dgAutoSize));
    grid_->SetReadOnly(true);
    grid_->SetAutoSearch(true);
    grid_->SetDataDraggingEnabled(false);
    grid_->SetDefaultRowHeight(17);
    grid_->SetTitleFont(FormFont(QStringLiteral("MS Sans Serif"), 8));
    struct ColumnSpec {
        const char *field;
        const char *title;
        int width;
        bool indexed;
    };
    const ColumnSpec columns[] = {{"BZ", "Bezeichnung 1", 238, true},
                                  {"ARTN", "Artikelnummer", 158, true},
                                  {"STK", "Bereits gebucht", 130, false}};
    grid_->Columns().BeginUpdate();
    for (const ColumnSpec &c : columns) {
        TColumn *col = grid_->Columns().Add();
        col->SetFieldName(QString::fromUtf8(c.field));
        col->SetWidth(c.width);
        col->SetIndexed(c.indexed);
        col->SetFont(FormFont(QStringLiteral("Tahoma"), -12));
        col->SetFontColor(clWindowText);
        col->SetWordBreak(false);
        col->Title()->SetCaption(QString::fromUtf8(c.title));
        col->Title()->SetColor(16744576);
        col->Title()->SetFont(FormFont(QStringLiteral("Tahoma"), -11));
        col->Title()->SetFontColor(clWhite);
    }
    grid_->Columns().EndUpdate();
    grid_->SetDataSource(dataSource_);
    grid_->OnDblClick = [this](TI_DBGrid *) { DBGrid_ARTMAINDblClick(); };
    layout->addWidget(grid_, 1);

    rlb_ = new TMiniHtmlLabel(this);
    rlb_->setObjectName(QStringLiteral("rlb"));
    rlb_->SetBorderWidth(6);
    rlb_->SetShadowColor(clGray);
    rlb_->SetShadowOffset(2);
    rlb_->SetURLColor(clBlue);
    rlb_->SetVAlignment(TMiniHtmlLabel::tvaTop);
    rlb_->SetEllipsis(false);
    rlb_->SetHover(false);
    rlb_->SetAutoSizing(true);
    layout->addWidget(rlb_);

    panel1_ = Panel(this, QStringLiteral("Panel1"));
    panel1_->setFixedHeight(41);
    pg_ = new TSlimProgressBar(panel1_);
    pg_->setObjectName(QStringLiteral("PG"));
    pg_->setGeometry(8, 8, 417, 25);
    pg_->SetMin(0);
    pg_->SetMax(100);
    panel2_ = Panel(panel1_, QStringLiteral("Panel2"));
    panel2_->setFixedWidth(113);
    auto *panel1Layout = new QHBoxLayout(panel1_);
    panel1Layout->setContentsMargins(0, 0, 0, 0);
    panel1Layout->addStretch(1);
    panel1Layout->addWidget(panel2_);
    slimButton1_ = button(panel2_, QStringLiteral("SlimButton1"), QStringLiteral("Schliessen"), {16, 8, 89, 29});
    slimButton4_->SetGlyph(CheckGlyph());
    slimButton2_->SetGlyph(EditGlyph());
    slimButton3_->SetGlyph(DeleteGlyph());
    slimButton1_->SetGlyph(CloseGlyph());
    layout->addWidget(panel1_);

    // The designed tab order: Panel1 (Schliessen), the grid, then Panel3
    // and its buttons from left to right.
    setTabOrder(slimButton1_, grid_);
    setTabOrder(grid_, panel3_);
    setTabOrder(panel3_, slimButton4_);
    setTabOrder(slimButton4_, slimButton2_);
    setTabOrder(slimButton2_, slimButton3_);

    auto idleOnly = [this](QObject *, bool &clicked) { clicked = km_->Tag() == 0; };
    connect(slimButton4_, &TSlimButton::OnBeforeClick, this, idleOnly);
    connect(slimButton2_, &TSlimButton::OnBeforeClick, this, idleOnly);
    connect(slimButton3_, &TSlimButton::OnBeforeClick, this, idleOnly);
    connect(slimButton1_, &TSlimButton::OnClick, this, [this] { close(); });
    connect(slimButton4_, &TSlimButton::OnClick, this, [this] { Guarded([this] { SlimButton4Click(); }); });
    connect(slimButton2_, &TSlimButton::OnClick, this, [this] { Guarded([this] { SlimButton2Click(); }); });
    connect(slimButton3_, &TSlimButton::OnClick, this, [this] { Guarded([this] { SlimButton3Click(); }); });
}

void TFMain::SetColor(uint color) {
    if (color == color_) return;
    color_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorToQColor(color));
    setPalette(pal);
    update();
}

void TFMain::FormCreate() {
    ApplyFormHook(this, true);
    // The window sees every key first.
    qApp->installEventFilter(this);
}

void TFMain::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!startupPosted_) {
        startupPosted_ = true;
        QCoreApplication::postEvent(this, new QEvent(WM_STARTUP));
    }
}

void TFMain::closeEvent(QCloseEvent *event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit Closed();
}

bool TFMain::event(QEvent *event) {
    if (event->type() == WM_STARTUP) {
        WMStartup();
        startupHandled_ = true;
        return true;
    }
    return QWidget::event(event);
}

bool TFMain::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        auto *w = qobject_cast<QWidget *>(watched);
        if (w && w->window() == this) FormKeyDown(static_cast<QKeyEvent *>(event)->key());
    }
    return QWidget::eventFilter(watched, event);
}

void TFMain::FormKeyDown(int key) {
    if (key == Qt::Key_Escape && km_->Tag() != 1) close();
}

bool TFMain::DatabaseConnected() const { return dbConnection_->IsConnected(); }

void TFMain::ConnectDatabase() {
    const QString path = Argument(1);
    const QString selector = Argument(2);
    const TDbServerTypes types = selector == QStringLiteral("1") ? TDbServerTypes{TDbServerType::stDB_LOCAL}
                                                                  : TDbServerTypes{TDbServerType::stDB_REMOTE};
    dbConnection_->SetIsConnected(false);
    dbConnection_->DbServerTypes = types;
    dbConnection_->SetConnectPath(path);
    dbConnection_->SetIsConnected(true);
    if (dbConnection_->IsConnected()) {
        tableArtMain_->SetActive(true);
        dbTableSettings_->SetActive(true);
        subtable_->SetActive(true);
    }
}

void TFMain::WMStartup() {
    setEnabled(false);
    if (Argument(1) == QStringLiteral("INSTALL")) {
        InstallRun();
        return;
    }
    ::BusyCursorOn();
    auto fail = [this](const QString &message) {
        ShowInfoBox(message);
        ::BusyCursorOff();
        close();
    };
    try {
        setWindowTitle(QStringLiteral("Verbindung zur Datenbank aufbauen...."));
        repaint();
        for (int n = 1; n <= 3; ++n) {
            if (Argument(n).isEmpty()) {
                fail(QStringLiteral("Starten Sie das Programm über zusätzlich > Check auf doppelte Artikelnummern."));
                return;
            }
        }
        if (StrToIntOrZero(Argument(3)) < kMinimumHostRelease) {
            fail(QStringLiteral("Das Programm benötigt mindestens ") + HostDisplayName() +
                 QStringLiteral(" , Release ") + QString::number(kMinimumHostRelease));
            return;
        }
        ConnectDatabase();
        if (!DatabaseConnected()) {
            dbConnection_->SetIsConnected(false);
            fail(QStringLiteral("Verbindung zur Datenbank konnte nicht aufgebaut werden."));
            return;
        }
    } catch (...) {
        fail(QStringLiteral("Das Programm kann nur von ") + HostDisplayName() +
             QStringLiteral(" aus gestartet werden"));
        return;
    }
    if (SettingsHandOver()) SettingsHandOver()(dbTableSettings_, dbConnection_->ConnectPath());
    setWindowTitle(dbConnection_->ConnectPath());
    setEnabled(true);
    repaint();
    ::BusyCursorOff();
}

void TFMain::InstallRun() {
    try {
        hide();
        QCoreApplication::processEvents();
        RegisterInMenu(QCoreApplication::applicationFilePath());
        if (Argument(2) != QStringLiteral("SILENT"))
            ShowInfoBox(QStringLiteral("Check auf doppelte Artikelnummern. wurde installiert. Starten Sie das "
                                       "Programm über zusätzlich > Check auf doppelte Artikelnummern."));
    } catch (const Exception &e) {
        ShowInfoBox(QStringLiteral("Check auf doppelte Artikelnummern. Installation fehlgeschlagen: Fehler: ") +
                    e.message());
    } catch (const std::exception &e) {
        ShowInfoBox(QStringLiteral("Check auf doppelte Artikelnummern. Installation fehlgeschlagen: Fehler: ") +
                    QString::fromUtf8(e.what()));
    }
    close();
}

template <class F> void TFMain::Guarded(F body) {
    try {
        body();
    } catch (const std::exception &e) {
        ShowError(e);
    }
}

void TFMain::ShowError(const std::exception &error) {
    const auto *e = dynamic_cast<const Exception *>(&error);
    QMessageBox::critical(this, ApplicationTitle(), e ? e->message() : QString::fromUtf8(error.what()));
}

void TFMain::SlimButton4Click() {
    rlb_->SetText(QString());
    check_->CheckDuplicates();
    check_->FillBookedQuantities();
}

void TFMain::SlimButton2Click() { check_->ChangeNumber(); }

void TFMain::SlimButton3Click() { check_->DeleteDuplicates(); }

void TFMain::DBGrid_ARTMAINDblClick() {
    if (km_->Tag() != 1) slimButton2_->Click();
}

// --- what the check needs of the window ----------------------------------------

void TFMain::SetProgressMax(int max) { pg_->SetMax(max); }
void TFMain::SetProgressPosition(int position) { pg_->SetPosition(position); }
int TFMain::ProgressPosition() const { return pg_->Position(); }
void TFMain::SetStatus(const QString &miniHtml) { rlb_->SetText(miniHtml); }
void TFMain::ShowInfo(const QString &miniHtml) { ShowInfoBox(miniHtml); }
bool TFMain::AskQuestion(const QString &miniHtml) { return ShowQuestionBox(miniHtml); }
void TFMain::BusyCursorOn() { ::BusyCursorOn(); }
void TFMain::BusyCursorOff() { ::BusyCursorOff(); }
void TFMain::ProcessMessages() { QCoreApplication::processEvents(); }
std::optional<QString> TFMain::InputNumber(const QString &initial) { return TInputDialog::Ask(initial, this); }
void TFMain::ClickCheckButton() { slimButton4_->Click(); }
