#include "engine_session.h"

#include "text_codec.h"
#include "tool_error.h"

#include <QDir>
#include <QFileInfo>

#include <libpq-fe.h>

namespace tbltool {

QString engineLastError() {
    uint32_t code = 0;
    char text[640] = {};
    uint16_t length = sizeof text;
    if (Dbe().DbeGetLastError(&code, text, &length) != DBE_SUCCESS && length >= sizeof text)
        length = sizeof text - 1;
    return fromWindows1252(QByteArray(text, length));
}

void checkEngine(DBESTATUS status, const QString &what) {
    if (status == DBE_SUCCESS) return;
    QString text = engineLastError();
    if (text.isEmpty()) text = QString::fromLatin1(DbeStatusText(status));
    throw ToolError(QStringLiteral("%1: %2 (%3)").arg(what, text).arg(status));
}

QString readEngineText(const std::function<DBESTATUS(char *, uint16_t *)> &call,
                       const QString &what) {
    QByteArray buffer(256, '\0');
    uint16_t length = static_cast<uint16_t>(buffer.size());
    DBESTATUS status = call(buffer.data(), &length);
    if (status == DBE_E_BUFFER_TOO_SMALL) {
        // The first answer told the needed length; room for the terminator too.
        buffer.resize(qsizetype(length) + 1);
        length = static_cast<uint16_t>(buffer.size());
        status = call(buffer.data(), &length);
    }
    checkEngine(status, what);
    return fromWindows1252(buffer.left(length));
}

const char *fieldTypeName(uint16_t type) {
    switch (type) {
    case DBE_T_LOGICAL:
        return "Logical";
    case DBE_T_NUMERIC:
        return "Numeric";
    case DBE_T_DATE:
        return "Date";
    case DBE_T_STRING:
        return "String";
    case DBE_T_MEMO:
        return "Memo";
    case DBE_T_BINARY:
        return "Binary";
    case DBE_T_IMAGE:
        return "Image";
    case DBE_T_VARCHAR:
        return "VarChar";
    case DBE_T_COMPACTDATE:
        return "CompactDate";
    case DBE_T_DOUBLE:
        return "Double";
    case DBE_T_INTEGER:
        return "Integer";
    case DBE_T_SHORTINT:
        return "ShortInt";
    case DBE_T_TIME:
        return "Time";
    case DBE_T_TIMESTAMP:
        return "TimeStamp";
    case DBE_T_AUTOINC:
        return "AutoInc";
    case DBE_T_RAW:
        return "Raw";
    case DBE_T_CURDOUBLE:
        return "CurDouble";
    case DBE_T_CISTRING:
        return "CIString";
    }
    return "?";
}

bool isBlobType(uint16_t type) {
    return type == DBE_T_MEMO || type == DBE_T_BINARY || type == DBE_T_IMAGE ||
           type == DBE_T_VARCHAR;
}

bool looksLikeConninfo(const QString &text) {
    if (text.startsWith(u"postgresql://") || text.startsWith(u"postgres://")) return true;
    if (!text.contains(u'=')) return false;
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(text.toUtf8().constData(), &error);
    PQfreemem(error);
    if (!options) return false;
    PQconninfoFree(options);
    return true;
}

QString Place::tablePath(const QString &name) const {
    return server ? connectPath + u'/' + name : QDir(connectPath).filePath(name);
}

Place resolvePlace(const QString &argument) {
    const QFileInfo info(argument);
    if (!info.isDir() && looksLikeConninfo(argument)) return {argument, true};
    return {info.absoluteFilePath(), false};
}

Connection::Connection(const Place &place) {
    const QByteArray path = toWindows1252OrThrow(
        place.connectPath,
        place.server ? QStringLiteral("the connection string") : QStringLiteral("the folder name"));
    const DBESTATUS status =
        place.server ? Dbe().DbeConnectEx(path.constData(), DBE_REMOTE_SERVER, "", "", 0, &handle_)
                     : Dbe().DbeConnect(path.constData(), &handle_);
    checkEngine(status, QStringLiteral("cannot connect to %1").arg(place.connectPath));
}

Connection::~Connection() {
    if (handle_) Dbe().DbeDisconnect(handle_);
}

Table::Table(Connection &connection, const QString &path, uint32_t options) : path_(path) {
    const QByteArray name = toWindows1252OrThrow(path, QStringLiteral("the table path"));
    checkEngine(Dbe().DbeOpenTable(connection.handle(), name.constData(), nullptr, DBE_TBL, 0, 0, 0,
                                   options, &handle_),
                QStringLiteral("cannot open %1").arg(path));
    readLayout();
}

Table::Table(DBEHANDLE handle, const QString &path) : handle_(handle), path_(path) {
    readLayout();
}

Table Table::create(Connection &connection, const QString &path, const QString &fields) {
    const QByteArray name = toWindows1252OrThrow(path, QStringLiteral("the table path"));
    const QByteArray definition = toWindows1252OrThrow(fields, QStringLiteral("the field list"));
    DBEHANDLE handle = 0;
    const DBESTATUS status = Dbe().DbeCreateTable(connection.handle(), name.constData(),
                                                  definition.constData(), &handle);
    if (status == DBE_E_TABLE_EXISTS)
        throw ToolError(QStringLiteral("%1 exists already").arg(path));
    checkEngine(status, QStringLiteral("cannot create %1").arg(path));
    return Table(handle, path);
}

Table Table::deletedOf(const Table &table) {
    DBEHANDLE handle = 0;
    checkEngine(
        Dbe().DbeOpenDeleted(table.handle(), &handle),
        QStringLiteral("cannot open the journal of deleted records of %1").arg(table.path()));
    return Table(handle, table.path());
}

Table::Table(Table &&other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)), fields_(std::move(other.fields_)),
      recordLength_(other.recordLength_) {
    other.handle_ = 0;
}

Table::~Table() {
    if (handle_) Dbe().DbeCloseTable(handle_);
}

void Table::readLayout() {
    uint16_t count = 0;
    checkEngine(Dbe().DbeGetNumFields(handle_, &count), QStringLiteral("reading the fields"));
    checkEngine(Dbe().DbeGetRecordLength(handle_, &recordLength_),
                QStringLiteral("reading the record length"));
    fields_.clear();
    for (uint16_t number = 1; number <= count; ++number) {
        FieldInfo field;
        field.number = number;
        const QString what = QStringLiteral("reading field %1").arg(number);
        field.name = readEngineText(
            [&](char *text, uint16_t *length) {
                return Dbe().DbeGetFieldName(handle_, number, text, length);
            },
            what);
        checkEngine(Dbe().DbeGetFieldType(handle_, DBE_FIELD(number), &field.type), what);
        checkEngine(Dbe().DbeGetFieldLength(handle_, DBE_FIELD(number), &field.length), what);
        checkEngine(Dbe().DbeGetFieldDecimals(handle_, DBE_FIELD(number), &field.decimals), what);
        checkEngine(Dbe().DbeGetFieldOffset(handle_, DBE_FIELD(number), &field.offset), what);
        fields_.push_back(field);
    }
}

TablePath resolveExistingTable(const QString &argument) {
    const QFileInfo info(argument);
    if (!info.exists()) {
        const qsizetype slash = argument.lastIndexOf(u'/');
        const QString connection = argument.left(slash);
        if (slash > 0 && slash + 1 < argument.size() && looksLikeConninfo(connection))
            return {argument, {connection, true}};
        if (looksLikeConninfo(argument))
            throw ToolError(QStringLiteral("%1 names no table: add /TABLE to the connection string")
                                .arg(argument));
        throw ToolError(QStringLiteral("no such table file: %1").arg(argument));
    }
    if (!info.isFile()) throw ToolError(QStringLiteral("not a table file: %1").arg(argument));
    return {info.absoluteFilePath(), {info.absolutePath(), false}};
}

} // namespace tbltool
