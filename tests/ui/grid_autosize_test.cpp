// The auto-size rule on its own: worked examples over the main window's
// design widths 238 : 158 : 130 with one-pixel grid lines.
#include "grid_autosize.h"

#include <gtest/gtest.h>

namespace {

struct AutoSizeCase {
    const char *name;
    std::vector<TAutoSizeColumn> columns;
    int clientWidth;
    int given;
    std::vector<int> expected;
};

std::vector<TAutoSizeColumn> Design(int a = 238, int b = 158, int c = 130) { return {{a}, {b}, {c}}; }

TEST(GridAutoSize, DistributesTheClientWidth) {
    const AutoSizeCase cases[] = {
        {"design size stays", Design(), 529, -1, {238, 158, 130}},
        // 1055 shared as 238 : 158 : 130, truncating; the last takes the rest.
        {"twice as wide", Design(), 1058, -1, {477, 317, 261}},
        {"one pixel more goes to the last column", Design(), 530, -1, {238, 158, 131}},
        {"one pixel less comes from the last column", Design(), 528, -1, {238, 158, 129}},
        {"narrow but above the floor", Design(), 60, -1, {25, 17, 15}},
        {"too narrow: every column at the floor", Design(), 45, -1, {15, 15, 15}},
        {"a fixed column keeps its width", {{100, false}, {200}, {100}}, 503, -1, {100, 266, 134}},
        {"widths below -10 start from 15", {{-20}, {100}}, 202, -1, {26, 174}},
        // A border dragged: the columns after it make room.
        {"given column, followers scale", Design(300), 529, 0, {300, 123, 103}},
        {"given last column, predecessors scale", Design(238, 158, 200), 529, 2, {195, 131, 200}},
        {"given column too wide: followers at 15, it takes the rest", Design(600), 529, 0, {496, 15, 15}},
    };
    for (const AutoSizeCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AutoSizeColumnWidths(c.columns, c.clientWidth, 1, c.given), c.expected);
    }
}

TEST(GridAutoSize, FillsEveryWidthExactlyAboveTheFloor) {
    // Whatever the width, once it holds three columns of 15 the columns
    // plus their lines fill it to the pixel.
    for (int width = 48; width < 2000; width += 7) {
        SCOPED_TRACE(width);
        const std::vector<int> out = AutoSizeColumnWidths(Design(), width, 1, -1);
        int sum = 3;
        for (int w : out) {
            EXPECT_GE(w, kMinAutoSizeWidth);
            sum += w;
        }
        EXPECT_EQ(sum, width);
    }
}

}  // namespace
