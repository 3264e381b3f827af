// The grid's auto-size rule, free of widgets: the visible columns always
// fill the client width, sharing it in proportion to their current widths.
#pragma once

#include <vector>

inline constexpr int kMinAutoSizeWidth = 15;

struct TAutoSizeColumn {
    int width = 0;
    bool resize = true;  // false: keeps its width
};

// Returns the new widths of `columns` (the visible columns in display
// order). `clientWidth` is the space to fill, `lineWidth` the grid line
// drawn after every column. `given` is the column whose width was just set
// (by dragging its border), or -1 when the grid was resized or rebuilt: then
// every resizable column scales; otherwise the columns after `given` (before
// it, when it is the last) scale and `given` absorbs what they cannot.
// Scaled columns never get narrower than kMinAutoSizeWidth.
std::vector<int> AutoSizeColumnWidths(const std::vector<TAutoSizeColumn> &columns, int clientWidth,
                                      int lineWidth, int given = -1);
