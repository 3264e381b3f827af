// A small scratch table for the engine's fuzz targets: one field of every
// type, tags over the kinds of key segments, and a few records with and
// without values, in a folder of the process (in memory where the system
// has one). The C interface only, as any caller of the engine sees it.
#pragma once

#include "dbe.h"
#include "fuzz_support.h"

#include <QDir>
#include <string>
#include <vector>

namespace fuzz {

inline const char kScratchFields[] =
    "L,Logical;N,Numeric,8,2;D,Date;S,String,12;M,Memo;B,Binary;G,Image;V,VarChar;C,CompactDate;"
    "F,Double;K,Integer;H,ShortInt;T,Time;TS,TimeStamp;A,AutoInc;R,Raw,4;Y,CurDouble;U,CIString,10;"
    "E,Date,8";

struct TScratchTag {
    const char *name;
    const char *expression;
    uint32_t options;
};

inline const TScratchTag kScratchTags[] = {
    {"BYS", "S", 0},
    {"BYK", "K", DBE_INDEX_UNIQUE},
    {"BYD", "D", 0},
    {"BYF", "F", 0},
    {"BYU", "U", DBE_INDEX_DESCENDING},
    {"BYSK", "S;K", 0},
    {"BYC", "C", 0},
    {"BYTS", "TS", 0},
    {"BYR", "R", 0},
    {"BYL", "L", 0},
    {"BYN", "N;H", 0},
    {"BYT", "T;Y;E", 0},
};

[[noreturn]] inline void EngineFailed(const char *what) {
    uint32_t code = 0;
    char text[700] = {};
    uint16_t length = sizeof text;
    DbeGetLastError(&code, text, &length);
    std::fprintf(stderr, "fuzz: %s failed: %u %s\n", what, code, text);
    std::abort();
}

inline void EngineOk(DBESTATUS rc, const char *what) {
    if (rc != DBE_SUCCESS) EngineFailed(what);
}

// Field values in text form, one row per record; "" leaves a field empty.
inline void AppendScratchRecord(DBEHANDLE table,
                                const std::vector<std::pair<const char *, std::string>> &values) {
    EngineOk(DbeAppendRecord(table), "DbeAppendRecord");
    for (const auto &[field, text] : values)
        if (!text.empty())
            EngineOk(DbeSetField(table, field, text.data(), uint32_t(text.size())), field);
    EngineOk(DbeWriteRecord(table), "DbeWriteRecord");
}

// The table handle of the scratch table, created on first use; `indexes`
// receives the tag handles in the order of kScratchTags.
inline DBEHANDLE ScratchTable(std::vector<DBEHANDLE> *indexes = nullptr) {
    static DBEHANDLE table = 0;
    static std::vector<DBEHANDLE> tags;
    if (!table) {
        static QTemporaryDir dir(ScratchPattern("dbe-fuzz"));
        DBEHANDLE connection = 0;
        EngineOk(DbeConnect(dir.path().toLocal8Bit().constData(), &connection), "DbeConnect");
        EngineOk(DbeCreateTable(connection, "SCRATCH.TBL", kScratchFields, &table),
                 "DbeCreateTable");
        for (const TScratchTag &tag : kScratchTags) {
            DBEHANDLE index = 0;
            EngineOk(DbeCreateIndex(table, tag.name, tag.expression, tag.options, &index),
                     tag.name);
            tags.push_back(index);
        }
        AppendScratchRecord(table, {{"L", "T"},
                                    {"N", "12.50"},
                                    {"D", "20240229"},
                                    {"S", "Schraube M6"},
                                    {"M", "Notiz\r\nzweite Zeile"},
                                    {"B", std::string("\x00\x01\x02", 3)},
                                    {"C", "19991231"},
                                    {"F", "-1.5e10"},
                                    {"K", "4711"},
                                    {"H", "-32767"},
                                    {"T", "12:30:00"},
                                    {"TS", "2024-01-02 03:04:05.678"},
                                    {"R", "ab"},
                                    {"Y", "19.99"},
                                    {"U", "m\xfcller"},
                                    {"E", "20000101"}});
        AppendScratchRecord(table,
                            {{"S", "Schraube M6"}, {"K", "4712"}, {"U", "M\xdcLLER"}, {"L", "F"}});
        AppendScratchRecord(table,
                            {{"K", "-2147483647"}, {"S", "A-100"}, {"N", "-0.01"}, {"F", "0"}});
        AppendScratchRecord(table, {});
    }
    if (indexes) *indexes = tags;
    return table;
}

// Record numbers met walking the order from the top to EOF; stops with a
// finding when the walk does not end.
inline std::vector<uint32_t> WalkOrder(DBEHANDLE order, DBEHANDLE table) {
    std::vector<uint32_t> recnos;
    if (DbeGotoTop(order) != DBE_SUCCESS) return recnos;
    for (;;) {
        uint16_t eof = 1;
        if (DbeAtEOF(order, &eof) != DBE_SUCCESS || eof) break;
        uint32_t recno = 0;
        EngineOk(DbeGetRecordNum(table, 0, &recno), "DbeGetRecordNum");
        recnos.push_back(recno);
        Require(recnos.size() < 10000, "a walk that does not end");
        if (DbeSkip(order, 1) != DBE_SUCCESS) break;
    }
    return recnos;
}

} // namespace fuzz
