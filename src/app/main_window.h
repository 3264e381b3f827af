// TFMain: the tool's window. It owns the engine settings, the connection,
// the three table cursors, the result table and the check, shows the result
// in a grid with a status line and a progress bar, and runs the start-up
// sequence from an event it posts to itself when it is first shown.
#pragma once

#include "article_check.h"
#include "check_ui.h"

#include <QEvent>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class TComponent;
class TDataSource;
class TDbConnection;
class TDbSettings;
class TDbTable;
class TI_DBGrid;
class TMiniHtmlLabel;
class TPanel;
class TResultTable;
class TSlimButton;
class TSlimProgressBar;

// WM_USER + 1.
constexpr QEvent::Type WM_STARTUP = static_cast<QEvent::Type>(1025);

// The settings hand-over at start-up: the open settings cursor and the
// connect path. Empty until the settings code installs itself.
using TSettingsHandOver = std::function<void(TDbTable *settingsTable, const QString &connectPath)>;
TSettingsHandOver &SettingsHandOver();

class TFMain : public QWidget, public TCheckUi {
    Q_OBJECT
    // The form's colour; the panels, buttons, the status line and the
    // progress bar follow it until they get colours of their own.
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
public:
    // `arguments` as the host passes them, argument 0 the executable.
    explicit TFMain(const QStringList &arguments, QWidget *parent = nullptr);
    ~TFMain() override;

    uint Color() const { return color_; }
    void SetColor(uint color);

    bool DatabaseConnected() const;
    // The start-up sequence has run (successfully or not).
    bool StartupHandled() const { return startupHandled_; }
    void ConnectDatabase();

    // Components, for the application and its tests.
    TDbConnection *DbConnection() const { return dbConnection_; }
    TDbTable *Table_ARTMAIN() const { return tableArtMain_; }
    TDbTable *Subtable() const { return subtable_; }
    TDbTable *DbTableSettings() const { return dbTableSettings_; }
    TResultTable *KM() const { return km_; }
    TArticleCheck *Check() const { return check_.get(); }
    TSlimButton *SlimButton1() const { return slimButton1_; }
    TSlimButton *SlimButton2() const { return slimButton2_; }
    TSlimButton *SlimButton3() const { return slimButton3_; }
    TSlimButton *SlimButton4() const { return slimButton4_; }
    TI_DBGrid *DBGrid_ARTMAIN() const { return grid_; }
    TMiniHtmlLabel *rlb() const { return rlb_; }
    TPanel *Panel1() const { return panel1_; }
    TPanel *Panel2() const { return panel2_; }
    TPanel *Panel3() const { return panel3_; }
    TSlimProgressBar *PG() const { return pg_; }

    // TCheckUi
    void SetProgressMax(int max) override;
    void SetProgressPosition(int position) override;
    int ProgressPosition() const override;
    void SetStatus(const QString &miniHtml) override;
    void ShowInfo(const QString &miniHtml) override;
    bool AskQuestion(const QString &miniHtml) override;
    void BusyCursorOn() override;
    void BusyCursorOff() override;
    void ProcessMessages() override;
    std::optional<QString> InputNumber(const QString &initial) override;
    void ClickCheckButton() override;

signals:
    // The window was closed, by any way out; the program ends with it.
    void Closed();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void WMStartup();
    void InstallRun();
    void FormKeyDown(int key);
    void SlimButton4Click();
    void SlimButton2Click();
    void SlimButton3Click();
    void DBGrid_ARTMAINDblClick();
    void BuildLayout();
    // The application's general error display for errors that reach a handler.
    void ShowError(const std::exception &error);
    template <class F> void Guarded(F body);
    QString Argument(int n) const { return n < arguments_.size() ? arguments_[n] : QString(); }

    QStringList arguments_;
    TComponent *components_;
    TDbSettings *dbSettings1_;
    TDbConnection *dbConnection_;
    TDbTable *tableArtMain_;
    TDbTable *subtable_;
    TDbTable *dbTableSettings_;
    TResultTable *km_;
    TDataSource *dataSource_;
    std::unique_ptr<TArticleCheck> check_;
    TSlimButton *slimButton1_ = nullptr, *slimButton2_ = nullptr, *slimButton3_ = nullptr,
                *slimButton4_ = nullptr;
    TI_DBGrid *grid_ = nullptr;
    TMiniHtmlLabel *rlb_ = nullptr;
    TSlimProgressBar *pg_ = nullptr;
    TPanel *panel1_ = nullptr, *panel2_ = nullptr, *panel3_ = nullptr;
    uint color_ = 0;
    bool startupPosted_ = false;
    bool startupHandled_ = false;
};
