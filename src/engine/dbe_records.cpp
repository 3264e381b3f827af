// The current record: reading its fields, setting fields (of the record or
// of an index's key), appending, writing, cancelling and deleting, and
// record locks.
#include "dbe.h"

#include "engine_state.h"

#include <algorithm>
#include <cstring>
#include <string>

using namespace dbe;

namespace {
// A value that a NUL would cut short is refused, not stored shorter. (Outside
// the C block: it returns a C++ type.)
std::string NulInside(const FieldDef &fd) {
    return fd.name + ": the value holds a NUL byte before its end";
}
} // namespace

extern "C" {

// --- reading ---------------------------------------------------------------
DBESTATUS DbeGetRecord(DBEHANDLE table, void *record, uint32_t *length) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!record || !length) return Fail(DBE_E_INVALID_ARGUMENT);
    return t->cursor->GetRecord(static_cast<unsigned char *>(record), *length);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetField(DBEHANDLE table, const char *field, void *value, uint32_t *length,
                      uint16_t option) try {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    if (!length) return Fail(DBE_E_INVALID_ARGUMENT);
    Value v;
    if (int32_t rc = t->cursor->FieldValue(f, v)) return rc;
    const FieldDef &fd = t->cursor->schema().fields[f];
    std::string bytes;
    bool text = true;
    if (IsBlobType(fd.type)) {
        bytes = IsNull(v) ? std::string() : std::get<std::string>(v);
        text = fd.type == DBE_T_MEMO || fd.type == DBE_T_VARCHAR;
    } else {
        bytes = FormatText(fd, v, option == DBE_TRIMMED);
    }
    uint32_t capacity = *length;
    *length = static_cast<uint32_t>(bytes.size());
    if (!value) return bytes.empty() ? Ok() : Fail(DBE_E_BUFFER_TOO_SMALL);
    uint32_t n = std::min<uint32_t>(capacity, static_cast<uint32_t>(bytes.size()));
    std::memcpy(value, bytes.data(), n);
    if (capacity > bytes.size() && text) static_cast<char *>(value)[bytes.size()] = '\0';
    if (capacity < bytes.size()) return Fail(DBE_E_BUFFER_TOO_SMALL);
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeIsEmpty(DBEHANDLE table, const char *field, uint16_t *empty) try {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    bool e;
    if (int32_t rc = t->cursor->IsEmpty(f, e)) return rc;
    return Put(empty, uint16_t(e));
} catch (...) {
    return CaughtException();
}
namespace {
int32_t BlobLength(DBEHANDLE table, const char *field, uint32_t *length, bool memo) {
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    const FieldDef &fd = t->cursor->schema().fields[f];
    bool isMemo = fd.type == DBE_T_MEMO || fd.type == DBE_T_VARCHAR;
    if (!IsBlobType(fd.type) || (memo && !isMemo)) return Fail(DBE_E_WRONG_FIELD_TYPE, fd.name);
    Value v;
    if (int32_t rc = t->cursor->FieldValue(f, v)) return rc;
    return Put(length, IsNull(v) ? 0u : static_cast<uint32_t>(std::get<std::string>(v).size()));
}
} // namespace
DBESTATUS DbeGetMemoLength(DBEHANDLE table, const char *field, uint32_t *length) try {
    LOCK;
    return BlobLength(table, field, length, true);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetBinaryLength(DBEHANDLE table, const char *field, uint32_t *length) try {
    LOCK;
    return BlobLength(table, field, length, false);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetMemoDataType(DBEHANDLE table, const char *field, uint16_t *type) try {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    return Put(type, t->cursor->schema().fields[f].type);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetRecordCRC(DBEHANDLE table, uint32_t *crc, uint32_t option) try {
    LOCK;
    (void)option;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!crc) return Fail(DBE_E_INVALID_ARGUMENT);
    return t->cursor->RecordCrc(*crc);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetLastAutoinc(DBEHANDLE table, uint32_t *value) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    int64_t v = 0;
    if (int32_t rc = t->cursor->store().LastAutoinc(v)) return rc;
    return Put(value, static_cast<uint32_t>(v));
} catch (...) {
    return CaughtException();
}

// --- writing ---------------------------------------------------------------
namespace {
int32_t SetFieldOn(DBEHANDLE handle, const char *field, const void *value, uint32_t length,
                   bool raw) {
    // An empty value is DbeSetEmpty or a zero length, never a missing buffer.
    if (!value) return Fail(DBE_E_INVALID_ARGUMENT, "value pointer is null");
    if (Index *ix = FindIndex(handle)) {
        Table *t = FindTable(ix->table);
        const IndexDef &def = t->cursor->schema().indexes[ix->number];
        int f;
        if (int32_t rc = FieldOf(t->cursor->schema(), field, f)) return rc;
        auto seg = std::find(def.fields.begin(), def.fields.end(), f);
        if (seg == def.fields.end())
            return Fail(DBE_E_FIELD_NOT_FOUND, "not a key field of " + def.name);
        size_t i = seg - def.fields.begin();
        if (ix->key.values.size() != def.fields.size()) {
            ix->key.values.assign(def.fields.size(), Value());
            ix->key.lengths.assign(def.fields.size(), -1);
        }
        const FieldDef &fd = t->cursor->schema().fields[f];
        Value v;
        const char *bytes = static_cast<const char *>(value);
        if (IsStringType(fd.type)) {
            std::string_view given;
            if (!ZeroTerminatedText(std::string_view(bytes, length), given))
                return Fail(DBE_E_VALUE_CONVERSION, NulInside(fd));
            std::string s(given);
            if (s.size() > fd.length) s.resize(fd.length);
            ix->key.lengths[i] = static_cast<int32_t>(std::min<size_t>(length, fd.length));
            while (!s.empty() && s.back() == ' ')
                s.pop_back();
            v = s;
        } else if (raw) {
            if (length < fd.length)
                return Fail(DBE_E_INVALID_ARGUMENT, "short value for " + fd.name);
            if (!DecodeImage(fd, reinterpret_cast<const unsigned char *>(bytes), v))
                return Fail(DBE_E_VALUE_CONVERSION, fd.name);
            ix->key.lengths[i] = static_cast<int32_t>(fd.length);
        } else {
            std::string_view given;
            if (!ZeroTerminatedText(std::string_view(bytes, length), given))
                return Fail(DBE_E_VALUE_CONVERSION, NulInside(fd));
            if (!ParseText(fd, std::string(given), v)) return Fail(DBE_E_VALUE_CONVERSION, fd.name);
            ix->key.lengths[i] = static_cast<int32_t>(fd.length);
        }
        ix->key.values[i] = std::move(v);
        return Ok();
    }
    Table *t = FindTable(handle);
    if (!t) return Fail(DBE_E_INVALID_HANDLE, "handle " + std::to_string(handle));
    int f;
    if (int32_t rc = FieldOf(t->cursor->schema(), field, f)) return rc;
    const FieldDef &fd = t->cursor->schema().fields[f];
    const char *bytes = static_cast<const char *>(value);
    Value v;
    if (IsBlobType(fd.type)) {
        if (length) v = std::string(bytes, length);
    } else if (raw) {
        if (length < fd.length) return Fail(DBE_E_INVALID_ARGUMENT, "short value for " + fd.name);
        if (!DecodeImage(fd, reinterpret_cast<const unsigned char *>(bytes), v))
            return Fail(DBE_E_VALUE_CONVERSION, fd.name);
    } else {
        std::string_view given;
        if (!ZeroTerminatedText(std::string_view(bytes, length), given))
            return Fail(DBE_E_VALUE_CONVERSION, NulInside(fd));
        std::string text(given);
        if (!ParseText(fd, text, v)) return Fail(DBE_E_VALUE_CONVERSION, fd.name + ": " + text);
    }
    return t->cursor->SetValue(f, v);
}
} // namespace

DBESTATUS DbeSetField(DBEHANDLE handle, const char *field, const void *value, uint32_t length) try {
    LOCK;
    return SetFieldOn(handle, field, value, length, false);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeSetFieldRaw(DBEHANDLE handle, const char *field, const void *value,
                         uint32_t length) try {
    LOCK;
    return SetFieldOn(handle, field, value, length, true);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeSetEmpty(DBEHANDLE table, const char *field) try {
    LOCK;
    Table *t;
    int f;
    if (int32_t rc = TableField(table, field, t, f)) return rc;
    return t->cursor->SetValue(f, Value());
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeAppendRecord(DBEHANDLE table) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Append();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeWriteRecord(DBEHANDLE table) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Write();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeCancelUpdate(DBEHANDLE table) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Cancel();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeDeleteRecord(DBEHANDLE table) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Delete();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeLockRecord(DBEHANDLE table, uint32_t record) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Lock(record);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeUnlockRecord(DBEHANDLE table, uint32_t record) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return t->cursor->Unlock(record);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeIsRecordLocked(DBEHANDLE table, uint32_t record, uint16_t *locked) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    bool l = false;
    if (int32_t rc = t->cursor->IsLocked(record, l)) return rc;
    return Put(locked, uint16_t(l));
} catch (...) {
    return CaughtException();
}

} // extern "C"
