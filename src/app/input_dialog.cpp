#include "input_dialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TInputDialog::TInputDialog(const QString &value, QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Eingabedialog"));
    setObjectName(QStringLiteral("InputDialog"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Eingabeaufforderung"), this));
    edit_ = new QLineEdit(this);
    edit_->setMaxLength(255);
    edit_->setText(value.left(255));
    edit_->selectAll();
    layout->addWidget(edit_);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(300);
}

QString TInputDialog::Value() const { return edit_->text(); }

void TInputDialog::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->geometry().center());
        move(r.topLeft());
    }
    edit_->setFocus();
    edit_->selectAll();
}

std::optional<QString> TInputDialog::Ask(const QString &value, QWidget *parent) {
    TInputDialog dialog(value, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Value();
}
