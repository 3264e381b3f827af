#include "engine_fixture.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace dbetest {

namespace {
// A walk that never reaches its end is a fault of its own; this bounds it.
constexpr size_t kMaxWalk = 100000;
} // namespace

uint32_t LastErrorCode() {
    uint32_t code = 0;
    DbeGetLastError(&code, nullptr, nullptr);
    return code;
}

std::string LastErrorText() {
    char text[1024] = {};
    uint16_t length = sizeof text;
    uint32_t code = 0;
    DbeGetLastError(&code, text, &length);
    return text;
}

std::string LastError() {
    return std::to_string(LastErrorCode()) + ": " + LastErrorText();
}

void Ok(DBESTATUS rc, const std::string &what) {
    if (rc != DBE_SUCCESS)
        throw EngineFailure(what + " answered " + std::to_string(rc) + " (" + LastError() + ")");
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dbe-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

DBEHANDLE OpenTable(DBEHANDLE connection, const std::string &name, uint32_t options) {
    DBEHANDLE table = 0;
    Ok(DbeOpenTable(connection, name.c_str(), name.c_str(), DBE_TBL, 0, 0, 0, options, &table),
       "DbeOpenTable " + name);
    return table;
}

DBEHANDLE IndexOf(DBEHANDLE table, const std::string &tag) {
    DBEHANDLE index = 0;
    Ok(DbeGetIndexHandle(table, tag.c_str(), &index), "DbeGetIndexHandle " + tag);
    return index;
}

uint32_t AppendRow(DBEHANDLE table, const std::vector<std::string> &columns,
                   const std::vector<std::string> &values) {
    Ok(DbeAppendRecord(table), "DbeAppendRecord");
    for (size_t i = 0; i < columns.size() && i < values.size(); ++i)
        Ok(DbeSetField(table, columns[i].c_str(), values[i].data(),
                       static_cast<uint32_t>(values[i].size())),
           "DbeSetField " + columns[i] + "=" + values[i]);
    Ok(DbeWriteRecord(table), "DbeWriteRecord");
    return RecNo(table);
}

uint32_t RecNo(DBEHANDLE table) {
    uint32_t recno = 0;
    Ok(DbeGetRecordNum(table, 0, &recno), "DbeGetRecordNum");
    return recno;
}

bool AtEOF(DBEHANDLE order) {
    uint16_t at = 0;
    Ok(DbeAtEOF(order, &at), "DbeAtEOF");
    return at != 0;
}

bool AtBOF(DBEHANDLE order) {
    uint16_t at = 0;
    Ok(DbeAtBOF(order, &at), "DbeAtBOF");
    return at != 0;
}

std::string Text(DBEHANDLE table, const char *field, uint16_t option) {
    std::string buffer(70000, '\0');
    uint32_t length = static_cast<uint32_t>(buffer.size());
    Ok(DbeGetField(table, field, buffer.data(), &length, option), "DbeGetField");
    buffer.resize(length);
    return buffer;
}

std::string Image(DBEHANDLE table, const char *field) {
    uint32_t recordLength = 0, offset = 0, fieldLength = 0;
    Ok(DbeGetRecordLength(table, &recordLength), "DbeGetRecordLength");
    Ok(DbeGetFieldOffset(table, field, &offset), "DbeGetFieldOffset");
    Ok(DbeGetFieldLength(table, field, &fieldLength), "DbeGetFieldLength");
    std::string record(recordLength, '\0');
    uint32_t length = recordLength;
    Ok(DbeGetRecord(table, record.data(), &length), "DbeGetRecord");
    if (offset + fieldLength > length) throw EngineFailure("field lies outside the record image");
    return record.substr(offset, fieldLength);
}

Recnos Walk(DBEHANDLE order, DBEHANDLE table, bool forward) {
    Recnos out;
    Ok(forward ? DbeGotoTop(order) : DbeGotoBottom(order), "DbeGotoTop/Bottom");
    while (!(forward ? AtEOF(order) : AtBOF(order))) {
        out.push_back(RecNo(table));
        if (out.size() > kMaxWalk) throw EngineFailure("walk does not end");
        Ok(DbeSkip(order, forward ? 1 : -1), "DbeSkip");
    }
    return out;
}

std::vector<std::string> WalkField(DBEHANDLE order, DBEHANDLE table, const char *field,
                                   bool forward) {
    std::vector<std::string> out;
    Ok(forward ? DbeGotoTop(order) : DbeGotoBottom(order), "DbeGotoTop/Bottom");
    while (!(forward ? AtEOF(order) : AtBOF(order))) {
        out.push_back(Text(table, field));
        if (out.size() > kMaxWalk) throw EngineFailure("walk does not end");
        Ok(DbeSkip(order, forward ? 1 : -1), "DbeSkip");
    }
    return out;
}

std::string Hex(const std::string &bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

void EngineTest::SetUp() {
    ASSERT_EQ(DbeConnect(dir_.path().c_str(), &conn_), DBE_SUCCESS) << LastError();
}

void EngineTest::TearDown() {
    if (conn_) DbeDisconnect(conn_);
}

void EngineTest::CreateTable(const std::string &name, const std::string &fields,
                             const std::vector<TagDef> &tags,
                             const std::vector<std::string> &columns, const Rows &rows,
                             Recnos *recnos) {
    DBEHANDLE table = 0;
    Ok(DbeCreateTable(conn_, name.c_str(), fields.c_str(), &table), "DbeCreateTable " + name);
    for (const auto &tag : tags) {
        DBEHANDLE index = 0;
        Ok(DbeCreateIndex(table, tag.tag.c_str(), tag.expression.c_str(), tag.options, &index),
           "DbeCreateIndex " + tag.tag);
    }
    for (const auto &row : rows) {
        uint32_t recno = AppendRow(table, columns, row);
        if (recnos) recnos->push_back(recno);
    }
    Ok(DbeCloseTable(table), "DbeCloseTable");
}

DBEHANDLE EngineTest::MakeTable(const std::string &name, const std::string &fields,
                                const std::vector<TagDef> &tags,
                                const std::vector<std::string> &columns, const Rows &rows,
                                Recnos *recnos) {
    CreateTable(name, fields, tags, columns, rows, recnos);
    return Open(name);
}

} // namespace dbetest
