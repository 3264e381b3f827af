// Controls whose colour follows their parent's until it is set: the first
// ancestor that publishes a "Color" gives it, the button face otherwise.
#pragma once

#include "colors.h"

#include <QWidget>

TColor InheritedColor(const QWidget *widget);
