#include "login_dialog.h"

#include "db_connection.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

TLoginDialog::TLoginDialog(const QString &databaseName, const QString &user, QWidget *parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Datenbank-Login"));
    auto *form = new QFormLayout(this);
    form->addRow(new QLabel(QStringLiteral("Datenbank:"), this), new QLabel(databaseName, this));
    user_ = new QLineEdit(user, this);
    user_->setMaxLength(31);
    password_ = new QLineEdit(this);
    password_->setMaxLength(31);
    password_->setEchoMode(QLineEdit::Password);
    auto *userLabel = new QLabel(QStringLiteral("&Benutzername:"), this);
    userLabel->setBuddy(user_);
    auto *passwordLabel = new QLabel(QStringLiteral("&Paßwort:"), this);
    passwordLabel->setBuddy(password_);
    form->addRow(userLabel, user_);
    form->addRow(passwordLabel, password_);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void TLoginDialog::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->geometry().center());
        move(r.topLeft());
    }
    (user_->text().isEmpty() ? user_ : password_)->setFocus();
}

void InstallLoginDialog() {
    DbLoginPrompt() = [](const QString &databaseName, QString &user, QString &password) {
        TLoginDialog dialog(databaseName, user);
        if (dialog.exec() != QDialog::Accepted) return false;
        user = dialog.UserName()->text();
        password = dialog.Password()->text();
        return true;
    };
}
