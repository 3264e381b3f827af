// The value table (Ident 20): the CSV form of the in-memory table. Any memo
// either loads or raises the table's own error; what loaded saves and loads
// again to the same records.
#include "fuzz_support.h"
#include "value_table.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

namespace {

QByteArray Saved(TVSOBJ &table) {
    TMemoryStream out;
    table.Format->SaveToStream(*table.Table, out);
    return out.Bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    TVSOBJ table;
    TMemoryStream stream(fuzz::Bytes(data, size));
    try {
        table.Format->LoadFromStream(*table.Table, stream);
    } catch (const Exception &) {
    }
    const QByteArray first = Saved(table);

    TVSOBJ again;
    TMemoryStream saved(first);
    again.Format->LoadFromStream(*again.Table, saved);
    fuzz::Require(again.Table->RecordCount() == table.Table->RecordCount(),
                  "a saved table reloads differently");
    fuzz::Require(Saved(again) == first, "a saved table saves differently after reloading");
    return 0;
}
