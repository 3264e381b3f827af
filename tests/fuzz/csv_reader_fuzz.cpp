// TCSVReader and the address list columns it reads (Ident 752). The first
// input line is the header text of stringItem, the rest the memo: the
// reader walks every record, the loader either gives columns or raises,
// and it always leaves at least the default columns.
#include "address_columns.h"
#include "csv_reader.h"
#include "exceptions.h"
#include "fuzz_support.h"
#include "text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);
    const qsizetype cut = bytes.indexOf('\n');
    const QByteArray header = cut < 0 ? QByteArray() : bytes.left(cut);
    const QByteArray memo = cut < 0 ? bytes : bytes.mid(cut + 1);

    {
        TMemoryStream stream(memo);
        TCSVReader reader(stream, ',');
        for (int records = 0;; ++records) {
            fuzz::Require(reader.FieldCount() >= 0, "negative field count");
            for (int i = 0; i <= reader.FieldCount(); ++i)
                reader.Field(i);
            fuzz::Require(reader.Field(reader.FieldCount()).isEmpty(), "a field past the count");
            if (reader.Eof()) break;
            fuzz::Require(records <= memo.size(), "more records than bytes");
            reader.Next();
        }
        bool refused = false;
        try {
            reader.Next();
        } catch (const Exception &) {
            refused = true;
        }
        fuzz::Require(refused, "a read past the end was not refused");
    }

    TAdressExtraSetup setup;
    TMemoryStream stream(memo);
    try {
        LoadAddressColumns(setup, stream, FromAnsi(header));
    } catch (const Exception &) {
    }
    fuzz::Require(ColumnCount(setup) > 0, "no columns after a load");
    for (const auto &column : setup.Columns)
        fuzz::Require(column->Width <= 400, "a width above 400");
    return 0;
}
