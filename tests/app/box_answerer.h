// What the app tests share: a stand-in user who answers the modal boxes
// and input dialogs through the real boxes, and the window's start.
#pragma once

#include "input_dialog.h"
#include "main_window.h"
#include "minihtmllabel.h"
#include "sb.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <vector>

// Answers every modal box or input dialog that opens, in order, and
// records what the boxes said.
class BoxAnswerer : public QObject {
public:
    struct Answer {
        Qt::Key key = Qt::Key_Return;
        QString input; // typed into an input dialog before the key
    };

    explicit BoxAnswerer(std::vector<Answer> answers = {}) : answers_(std::move(answers)) {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_.start();
    }

    QStringList texts;
    int dialogs = 0;

private:
    void Poll() {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == last_) return;
        last_ = modal;
        Answer a = next_ < answers_.size() ? answers_[next_] : Answer{};
        ++next_;
        if (auto *box = qobject_cast<TFSB_BOX *>(modal)) {
            texts << (box->TextLabel ? box->TextLabel->Text() : QString());
            QWidget *target = box->focusWidget() ? box->focusWidget() : box;
            QTest::keyClick(target, a.key);
        } else if (auto *input = qobject_cast<TInputDialog *>(modal)) {
            ++dialogs;
            texts << QStringLiteral("input:") + input->Value();
            if (a.key == Qt::Key_Return) input->Edit()->setText(a.input);
            QTest::keyClick(input->Edit(), a.key);
        }
    }

    QTimer timer_;
    std::vector<Answer> answers_;
    size_t next_ = 0;
    QWidget *last_ = nullptr;
};

// Shows the window and lets the start-up event run.
inline void Start(TFMain &w) {
    w.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.StartupHandled(); }, 10000));
}
