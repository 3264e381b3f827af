#include "parent_color.h"

#include <QVariant>

TColor InheritedColor(const QWidget *widget) {
    for (const QWidget *w = widget ? widget->parentWidget() : nullptr; w; w = w->parentWidget()) {
        const QVariant color = w->property("Color");
        bool ok = false;
        const uint value = color.toUInt(&ok);
        if (color.isValid() && ok) return value;
    }
    return clBtnFace;
}
