#include "component.h"

#include <QHash>
#include <QMetaObject>

TComponent::TComponent(TComponent *owner) : QObject(owner) {}

TComponent::~TComponent() { state_ |= csDestroying; }

void TComponent::EndLoading() {
    state_ &= ~csLoading;
    Loaded();
}

QList<TComponent *> TComponent::Components() const {
    QList<TComponent *> out;
    for (QObject *child : children())
        if (auto *c = qobject_cast<TComponent *>(child)) out.append(c);
    return out;
}

namespace {
QHash<QString, TClassRegistry::Factory> &Registry() {
    static QHash<QString, TClassRegistry::Factory> registry;
    return registry;
}
}  // namespace

void TClassRegistry::Register(const QString &className, Factory factory) {
    Registry().insert(className.toLower(), std::move(factory));
}

TComponent *TClassRegistry::Create(const QString &className, TComponent *owner) {
    auto it = Registry().constFind(className.toLower());
    return it == Registry().constEnd() ? nullptr : (*it)(owner);
}

bool TClassRegistry::IsRegistered(const QString &className) {
    return Registry().contains(className.toLower());
}

bool TClassRegistry::CallPublished(QObject *object, const char *method) {
    return object && QMetaObject::invokeMethod(object, method, Qt::DirectConnection);
}
