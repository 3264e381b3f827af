// The single-line input dialog of "Artikelnummer ändern".
#pragma once

#include <QDialog>
#include <optional>

class QLineEdit;

class TInputDialog : public QDialog {
    Q_OBJECT
public:
    explicit TInputDialog(const QString &value, QWidget *parent = nullptr);
    QString Value() const;
    QLineEdit *Edit() const { return edit_; }

    // The text as typed after "OK", nothing after "Abbrechen", Escape or
    // the close box.
    static std::optional<QString> Ask(const QString &value, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLineEdit *edit_;
};
