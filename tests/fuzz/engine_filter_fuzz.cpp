// The engine's filter expressions on a table of every field type: any text
// is taken or refused with an engine error; a taken filter reads back as
// given and the walk under it ends; the same holds for an evaluated
// expression. Nothing may leave the C interface but a status.
#include "engine_scratch.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<DBEHANDLE> tags;
    const DBEHANDLE table = fuzz::ScratchTable(&tags);
    const std::string text(reinterpret_cast<const char *>(data), size);
    const char *expression = text.c_str(); // up to the first zero byte, as a caller passes it

    const uint16_t exact = size % 2;
    fuzz::EngineOk(DbeSetExact(table, exact), "DbeSetExact");
    if (DbeSetFilter(table, expression) == DBE_SUCCESS) {
        if (*expression) {
            char back[4096];
            uint16_t length = sizeof back;
            if (DbeGetFilter(table, back, &length) == DBE_SUCCESS)
                fuzz::Require(std::string(back, length) == std::string(expression),
                              "a filter reads back changed");
        }
        const auto natural = fuzz::WalkOrder(table, table);
        const auto byS = fuzz::WalkOrder(tags[0], table);
        fuzz::Require(natural.size() == byS.size(),
                      "an index order shows other records than the natural one");
        uint32_t count = 0;
        DbeGetRecordCount(table, 1, &count);
    } else {
        uint32_t code = 0;
        DbeGetLastError(&code, nullptr, nullptr);
        fuzz::Require(code != 0, "a refused filter without an error");
    }
    fuzz::EngineOk(DbeClearFilter(table), "DbeClearFilter");

    if (DbeSetOptFilter(table, expression, 0) == DBE_SUCCESS) fuzz::WalkOrder(tags[1], table);
    fuzz::EngineOk(DbeClearOptFilter(table), "DbeClearOptFilter");

    fuzz::EngineOk(DbeGotoTop(table), "DbeGotoTop");
    uint16_t result = 2;
    if (DbeEvalLogicalExpr(table, expression, &result) == DBE_SUCCESS)
        fuzz::Require(result == 0 || result == 1,
                      "a logical result that is neither true nor false");
    return 0;
}
