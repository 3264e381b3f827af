// A demo database for trying the duplicate check: the host tables filled
// with plausible hardware-store articles, among them the kinds of duplicate
// article numbers the check must find.
#pragma once

#include "engine_session.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace tbltool {

// A small deterministic generator, so a seed always gives the same data on
// every machine.
class DemoRandom {
public:
    explicit DemoRandom(uint64_t seed) : state_(seed) {}
    uint64_t next();
    // Uniform in [low, high].
    int between(int low, int high);
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <typename T> const T &pick(const std::vector<T> &items) {
        return items[size_t(between(0, int(items.size()) - 1))];
    }

private:
    uint64_t state_;
};

struct DemoRows {
    QStringList header;
    std::vector<QStringList> rows;
};

// Article rows (without ID, which the engine assigns).
DemoRows demoArticles(DemoRandom &random, int count);
// Booked quantities for the articles with the given ID numbers.
DemoRows demoBookings(DemoRandom &random, const std::vector<uint32_t> &articleIds);
DemoRows demoSetup();

// Creates the host tables in the place and fills them, one transaction per table.
void writeDemoDatabase(const Place &place, int articles, uint64_t seed);

} // namespace tbltool
