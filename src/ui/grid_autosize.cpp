#include "grid_autosize.h"

#include <cstdlib>

std::vector<int> AutoSizeColumnWidths(const std::vector<TAutoSizeColumn> &columns, int clientWidth,
                                      int lineWidth, int given) {
    const int n = static_cast<int>(columns.size());
    if (given >= n) given = -1;
    std::vector<long long> w(n);
    for (int i = 0; i < n; ++i) w[i] = columns[i].width < -10 ? kMinAutoSizeWidth : columns[i].width;

    std::vector<bool> scalable(n, false);
    for (int i = 0; i < n; ++i) {
        const bool candidate = given < 0 || (given < n - 1 ? i > given : i < given);
        scalable[i] = candidate && columns[i].resize;
    }

    const long long lines = static_cast<long long>(n) * lineWidth;
    long long available = 0, sum = 0;
    auto measure = [&] {
        available = clientWidth - lines;
        sum = 0;
        for (int i = 0; i < n; ++i) {
            if (scalable[i])
                sum += w[i];
            else
                available -= w[i];
        }
    };
    auto result = [&] { return std::vector<int>(w.begin(), w.end()); };
    measure();

    if (given >= 0 && available < 0) {
        long long others = 0;
        for (int i = 0; i < n; ++i) {
            if (scalable[i]) w[i] = kMinAutoSizeWidth;
            if (i != given) others += w[i];
        }
        w[given] = clientWidth - lines - others;
        return result();
    }

    // A one-pixel difference would be lost to rounding in the proportional
    // pass; the last scaled column takes it so that the columns still fill
    // the width exactly.
    if (std::llabs(sum - available) == 1) {
        for (int i = n - 1; i >= 0; --i)
            if (scalable[i]) {
                w[i] += available - sum;
                break;
            }
        measure();
    }

    while (sum > 0 && sum != available) {
        long long restA = available, restS = sum;
        bool restart = false;
        for (int i = 0; i < n && !restart; ++i) {
            if (!scalable[i]) continue;
            const long long scaled = restS > 0 ? w[i] * restA / restS : 0;
            if (scaled < kMinAutoSizeWidth) {
                w[i] = kMinAutoSizeWidth;
                scalable[i] = false;
                restart = true;
                break;
            }
            restA -= scaled;
            restS -= w[i];
            w[i] = scaled;
        }
        measure();
    }

    if (available != sum && given >= 0) w[given] += available - sum;

    long long total = lines;
    for (long long x : w) total += x;
    if (total > clientWidth) {
        int widest = -1;
        for (int i = 0; i < n; ++i)
            if (scalable[i] && (widest < 0 || w[i] > w[widest])) widest = i;
        const long long excess = total - clientWidth;
        if (widest >= 0 && w[widest] - excess > kMinAutoSizeWidth) w[widest] -= excess;
    }
    return result();
}
