// Components: named objects owned by another component (the Qt parent),
// destroyed with their owner in reverse order of creation. Published
// properties are Q_PROPERTYs, so they can be set by name; a registry finds a
// component class by name and calls a published method by name.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>

class TComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(qint64 Tag READ Tag WRITE SetTag)

public:
    enum StateFlag { csLoading = 1, csDesigning = 2, csDestroying = 4 };

    explicit TComponent(TComponent *owner = nullptr);
    ~TComponent() override;

    QString Name() const { return objectName(); }
    void SetName(const QString &name) { setObjectName(name); }
    TComponent *Owner() const { return qobject_cast<TComponent *>(parent()); }
    qint64 Tag() const { return tag_; }
    void SetTag(qint64 tag) { tag_ = tag; }

    int ComponentState() const { return state_; }
    bool IsLoading() const { return state_ & csLoading; }
    bool IsDesigning() const { return state_ & csDesigning; }

    // Property values as a form file would give them: set by name between
    // BeginLoading and EndLoading, which then calls Loaded.
    void BeginLoading() { state_ |= csLoading; }
    void EndLoading();
    bool SetPublished(const char *name, const QVariant &value) { return setProperty(name, value); }

    // The owned components in order of creation.
    QList<TComponent *> Components() const;

protected:
    virtual void Loaded() {}

private:
    int state_ = 0;
    qint64 tag_ = 0;
};

// Finds component classes by name, for code that creates components from
// stored descriptions.
class TClassRegistry {
public:
    using Factory = std::function<TComponent *(TComponent *owner)>;
    static void Register(const QString &className, Factory factory);
    static TComponent *Create(const QString &className, TComponent *owner);
    static bool IsRegistered(const QString &className);
    // Calls a published (Q_INVOKABLE or slot) method without arguments.
    static bool CallPublished(QObject *object, const char *method);
};
