// Moving through a table in an order: the ends, skipping, record numbers
// and bookmarks, counts and key positions, and seeking by key.
#include "dbe.h"

#include "engine_state.h"

#include <cstring>
#include <string>
#include <vector>

using namespace dbe;

extern "C" {

// --- moving ----------------------------------------------------------------
DBESTATUS DbeGotoTop(DBEHANDLE order) try {
    LOCK;
    ORDER
    return t->cursor->GotoTop(ix);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGotoBottom(DBEHANDLE order) try {
    LOCK;
    ORDER
    return t->cursor->GotoBottom(ix);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGotoBOF(DBEHANDLE order) try {
    LOCK;
    ORDER
    return t->cursor->GotoBOF(ix);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeSkip(DBEHANDLE order, int32_t count) try {
    LOCK;
    ORDER
    return t->cursor->Skip(ix, count);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeAtEOF(DBEHANDLE order, uint16_t *atEnd) try {
    LOCK;
    ORDER
    return Put(atEnd, uint16_t(t->cursor->AtEOF()));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeAtBOF(DBEHANDLE order, uint16_t *atBeginning) try {
    LOCK;
    ORDER
    return Put(atBeginning, uint16_t(t->cursor->AtBOF()));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGotoRecord(DBEHANDLE table, uint32_t record) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->GotoRecord(record);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGotoBookmark(DBEHANDLE table, uint32_t bookmark) try {
    return DbeGotoRecord(table, bookmark);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetRecordNum(DBEHANDLE table, uint16_t filterOption, uint32_t *record) try {
    LOCK;
    (void)filterOption;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(record, t->cursor->RecordNumber());
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetBookmarkLength(DBEHANDLE order, uint32_t *length) try {
    LOCK;
    ORDER
    return Put(length, uint32_t(4));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetBookmark(DBEHANDLE table, uint32_t *bookmark) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!t->cursor->OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    return Put(bookmark, t->cursor->RecordNumber());
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetBookmarkEx(DBEHANDLE order, void *bookmark, uint32_t *length) try {
    LOCK;
    ORDER
    if (!bookmark || !length) return Fail(DBE_E_INVALID_ARGUMENT);
    if (*length < 4) {
        *length = 4;
        return Fail(DBE_E_BUFFER_TOO_SMALL);
    }
    if (!t->cursor->OnRecord()) return Fail(DBE_E_NO_CURRENT_RECORD);
    uint32_t recno = t->cursor->RecordNumber();
    std::memcpy(bookmark, &recno, 4);
    *length = 4;
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeIsRecordVisible(DBEHANDLE order, uint16_t *visible) try {
    LOCK;
    ORDER
    if (!visible) return Fail(DBE_E_INVALID_ARGUMENT);
    return t->cursor->IsVisible(*visible);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetRecordCount(DBEHANDLE order, uint16_t filterOption, uint32_t *count) try {
    LOCK;
    ORDER
    if (!count) return Fail(DBE_E_INVALID_ARGUMENT);
    return t->cursor->Count(ix, filterOption, *count);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetKeyNum(DBEHANDLE order, uint16_t filterOption, uint32_t *number) try {
    LOCK;
    (void)filterOption;
    ORDER
    if (!number) return Fail(DBE_E_INVALID_ARGUMENT);
    return t->cursor->KeyNumber(ix, *number);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetRelKeyPos(DBEHANDLE order, double *position) try {
    LOCK;
    ORDER
    if (!position) return Fail(DBE_E_INVALID_ARGUMENT);
    return t->cursor->RelativeKeyPosition(ix, *position);
} catch (...) {
    return CaughtException();
}

// --- keys and seeking ------------------------------------------------------
DBESTATUS DbeInitRawKey(DBEHANDLE index) try {
    LOCK;
    INDEX_DEF
    Index *ix = FindIndex(index);
    ix->key.values.assign(def->fields.size(), Value());
    ix->key.lengths.assign(def->fields.size(), -1);
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeBuildRawKey(DBEHANDLE index, void *key, uint16_t *length) try {
    LOCK;
    INDEX_DEF
    Index *ix = FindIndex(index);
    if (!length) return Fail(DBE_E_INVALID_ARGUMENT);
    if (ix->key.values.size() != def->fields.size()) DbeInitRawKey(index);
    std::string raw;
    const Schema &s = t->cursor->schema();
    for (size_t i = 0; i < def->fields.size(); ++i) {
        if (ix->key.lengths[i] < 0) break;
        const FieldDef &f = s.fields[def->fields[i]];
        std::string img(f.length, '\0');
        EncodeImage(f, ix->key.values[i], reinterpret_cast<unsigned char *>(img.data()));
        if (IsStringType(f.type) && static_cast<uint32_t>(ix->key.lengths[i]) < f.length) {
            raw += img.substr(0, ix->key.lengths[i]);
            break;
        }
        raw += img;
    }
    uint16_t capacity = *length;
    *length = static_cast<uint16_t>(raw.size());
    if (!key || capacity < raw.size()) return Fail(DBE_E_BUFFER_TOO_SMALL);
    std::memcpy(key, raw.data(), raw.size());
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeSeek(DBEHANDLE index, const void *key, uint16_t length, uint16_t dataType,
                  uint16_t seekType, uint16_t *found) try {
    LOCK;
    INDEX_DEF
    if (!key || !found) return Fail(DBE_E_INVALID_ARGUMENT);
    *found = 0;
    const Schema &s = t->cursor->schema();
    std::vector<Value> values;
    bool partial = false;
    const char *bytes = static_cast<const char *>(key);
    if (dataType == DBE_RAWKEY) {
        uint32_t pos = 0;
        for (size_t i = 0; i < def->fields.size() && pos < length; ++i) {
            const FieldDef &f = s.fields[def->fields[i]];
            uint32_t rest = length - pos;
            Value v;
            if (rest >= f.length) {
                if (!DecodeImage(f, reinterpret_cast<const unsigned char *>(bytes + pos), v))
                    return Fail(DBE_E_VALUE_CONVERSION, "key segment " + f.name);
                pos += f.length;
            } else if (IsStringType(f.type)) {
                std::string_view prefix;
                if (!ZeroTerminatedText(std::string_view(bytes + pos, rest), prefix))
                    return Fail(DBE_E_VALUE_CONVERSION,
                                "key segment " + f.name + " holds a NUL byte");
                v = std::string(prefix);
                partial = true;
                pos = length;
            } else {
                return Fail(DBE_E_INVALID_ARGUMENT, "partial key of segment " + f.name);
            }
            values.push_back(std::move(v));
        }
    } else if (dataType == DBE_STRINGKEY) {
        std::string_view given;
        if (!ZeroTerminatedText(std::string_view(bytes, length), given))
            return Fail(DBE_E_VALUE_CONVERSION, "the key holds a NUL byte before its end");
        std::string text(given);
        size_t pos = 0;
        for (size_t i = 0; i < def->fields.size(); ++i) {
            const FieldDef &f = s.fields[def->fields[i]];
            if (!IsStringType(f.type)) {
                if (i == 0) {
                    Value v;
                    if (!ParseText(f, text, v))
                        return Fail(DBE_E_VALUE_CONVERSION, "key " + text + " for " + f.name);
                    values.push_back(std::move(v));
                }
                break;
            }
            std::string piece = text.substr(pos, f.length);
            pos += piece.size();
            if (piece.size() < f.length) {
                while (!piece.empty() && piece.back() == ' ')
                    piece.pop_back();
                values.push_back(piece);
                partial = true;
                break;
            }
            while (!piece.empty() && piece.back() == ' ')
                piece.pop_back();
            values.push_back(piece);
            if (pos >= text.size()) break;
        }
    } else {
        return Fail(DBE_E_INVALID_ARGUMENT, "key data type " + std::to_string(dataType));
    }
    if (values.empty()) {
        // An empty key stands before every record.
        int32_t rc = t->cursor->GotoTop(FindIndex(index)->number);
        *found = t->cursor->OnRecord();
        return rc;
    }
    bool f = false;
    int32_t rc =
        t->cursor->Seek(FindIndex(index)->number, values, partial, seekType == DBE_HARDSEEK, f);
    *found = f;
    return rc;
} catch (...) {
    return CaughtException();
}

} // extern "C"
