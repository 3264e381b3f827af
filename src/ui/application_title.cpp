#include "application_title.h"

#include <QCoreApplication>

namespace {
QString &Title() {
    static QString title;
    return title;
}
} // namespace

void SetApplicationTitle(const QString &title) {
    Title() = title;
}

QString ApplicationTitle() {
    return Title().isEmpty() ? QCoreApplication::applicationName() : Title();
}
