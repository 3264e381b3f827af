// The three tables of the host suite that the duplicate check reads, with
// their fields in the host's order and their index tags.
#pragma once

#include "engine_session.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace tbltool {

struct IndexLayout {
    const char *tag;
    const char *expression; // field names separated by ';'
    uint32_t options;
};

struct TableLayout {
    const char *file;
    const char *fields; // the engine's field list text
    std::vector<IndexLayout> indexes;
};

extern const char *const kArticleTable;
extern const char *const kBookingTable;
extern const char *const kSetupTable;

const std::vector<TableLayout> &hostLayouts();

// Creates the folder when missing and the three empty tables in the place.
// Refuses before creating anything when one of them exists already.
void createHostTables(const Place &place);

} // namespace tbltool
