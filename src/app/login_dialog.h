// The login dialog a dictionary connection shows while it connects.
#pragma once

#include <QDialog>

class QLineEdit;

class TLoginDialog : public QDialog {
    Q_OBJECT
public:
    TLoginDialog(const QString &databaseName, const QString &user, QWidget *parent = nullptr);
    QLineEdit *UserName() const { return user_; }
    QLineEdit *Password() const { return password_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLineEdit *user_;
    QLineEdit *password_;
};

// Makes the connections of this process ask through TLoginDialog.
void InstallLoginDialog();
