// The component stream of the automatic document actions (Ident 1511): any
// bytes of the memo either give items or raise the reader's own error, and
// a refused stream leaves no items behind.
#include "auto_actions.h"
#include "component_stream.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        TMemoryStream stream(bytes);
        ReadComponentStream(stream);
    } catch (const Exception &) {
    }

    TAutoActionItems items;
    items.Add();
    TMemoryStream stream(bytes);
    try {
        ReadAutoActions(items, stream);
    } catch (const Exception &) {
        if (items.Count() != 0) std::abort();
    }
    EnsureAutoActionCount(items);
    if (items.Count() < kAutoActionKinds) std::abort();
    return 0;
}
