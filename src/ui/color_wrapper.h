// The installation's colour scheme: a text file beside the executable
// (its full file name + ".SKM") that recolours and restyles named controls
// of any form. Keys are Form.Component|Property (the form itself:
// Form|Property); a missing or invalid value falls back to a class-wide key.
// Nothing is cached: every form reads the file anew.
#pragma once

#include "colors.h"
#include "component.h"

#include <QString>
#include <QStringList>
#include <optional>

// The skin file's lines, looked up the way the skin wants: the name is the
// text before the first "=", compared without regard to case; the first
// matching line wins; the value is everything after that "=", untrimmed.
class TSkinFile {
public:
    // False (and no lines) when the file cannot be read.
    bool LoadFromFile(const QString &fileName);
    void SetLines(const QStringList &lines) { lines_ = lines; }
    const QStringList &Lines() const { return lines_; }
    std::optional<QString> Value(const QString &name) const;

private:
    QStringList lines_;
};

// A colour value: a colour identifier (clRed, clBtnFace, ... compared
// without regard to case) or an integer, decimal or "$" hexadecimal. A
// number value: an integer. -1 and anything else is invalid.
std::optional<TColor> SkinColorValue(const QString &text);
std::optional<qint32> SkinNumberValue(const QString &text);
// The platform's named colours: system colours and the basic ones.
std::optional<TColor> IdentToColor(const QString &ident);

// executable file name + ".SKM"
QString SkinFileName();
// executable folder + "DEBUGSKIN"
QString SkinDumpFolder();

class TColorWrapper : public TComponent {
    Q_OBJECT
public:
    explicit TColorWrapper(TComponent *owner = nullptr) : TComponent(owner) {}

    // Applies the skin file to `component` (a form) and everything it owns;
    // errors are swallowed. With "DEBUGOUTPUT" as the first line it also
    // writes the names of the owned components to
    // DEBUGSKIN/<name>-DEBUG.DAT beside the executable.
    Q_INVOKABLE void SetProperties(QObject *component);
};

// Enters TColorWrapper into the class registry under its name.
void RegisterColorWrapper();

// Applies the first row of the skin table that matches the component's
// class; `prefix` is the form's name + ".". Properties are set by name,
// ignoring case; a class without the property is left unchanged.
void ApplySkinToComponent(QObject *component, const QString &prefix, const TSkinFile &skin);

// The components a component owns, as the skin sees them: its children that
// carry a name (Qt's own "qt_" parts excluded), in creation order.
QList<QObject *> OwnedComponents(const QObject *component);

// Creates a folder and its missing parents. An empty path raises
// Exception("Das Verzeichnis kann nicht erstellt werden"); a folder that
// cannot be made is left unmade without an error, as callers ignore it.
void ForceDirectory(const QString &path);
