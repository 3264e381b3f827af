#include "db_errors.h"

#include "db_table.h"
#include "dbe_dispatch.h"
#include "text_codec.h"

namespace {

thread_local bool tBuildingError = false;

QString LastErrorText(int32_t &code) {
    char text[601] = {};
    uint16_t length = sizeof text;
    uint32_t c = 0;
    Dbe().DbeGetLastError(&c, text, &length);
    code = static_cast<int32_t>(c);
    return FromAnsi(text, qstrnlen(text, sizeof text));
}

// The digits after "NATIVEERROR = " up to the next ';' of a server error.
int32_t NativeCode(const QString &message) {
    const QString upper = message.toUpper();
    if (!upper.contains(QLatin1String("ERROR 7200:"))) return 0;
    int at = upper.indexOf(QLatin1String("NATIVEERROR = "));
    if (at < 0) return 0;
    at += 14;
    int end = upper.indexOf(u';', at);
    bool ok = false;
    int v = upper.mid(at, end < 0 ? -1 : end - at).trimmed().toInt(&ok);
    return ok ? v : 0;
}

}  // namespace

EDbEngineError::EDbEngineError(TDbDataSet *cursor, const QString &message, int32_t code)
    : EDatabaseError(QString()) {
    if (tBuildingError) return;
    tBuildingError = true;
    ownsFlag_ = true;
    code_ = code;
    if (cursor) {
        try {
            cursorName_ = cursor->Name();
            if (cursor->Owner()) ownerName_ = cursor->Owner()->Name();
            databaseName_ = cursor->DatabaseName();
            databasePath_ = cursor->DatabasePath();
            if (auto *table = qobject_cast<TDbTable *>(cursor)) tableName_ = table->TableName();
            if (code == 5147 || code == 5148 || code == 5149) {
                int at = message.indexOf(QLatin1String("column \""));
                if (at >= 0) {
                    at += 8;
                    int end = message.indexOf(u'"', at);
                    columnName_ = message.mid(at, end < 0 ? -1 : end - at).left(900);
                }
            }
        } catch (...) {
        }
    }
    nativeCode_ = NativeCode(message);
    setMessage(cursorName_.isEmpty() ? message : cursorName_ + QStringLiteral(": ") + message);
    tBuildingError = false;
    ownsFlag_ = false;
}

EDbEngineError::EDbEngineError(const EDbEngineError &other) = default;

EDbEngineError::~EDbEngineError() {
    if (ownsFlag_) tBuildingError = false;
}

namespace dbconnect {
DbError::DbError(int32_t code, int) : Exception(QString()), code_(code) {
    char text[601] = {};
    uint16_t length = sizeof text;
    uint32_t c = 0;
    if (Dbe().DbeGetLastError(&c, text, &length) == 0)
        setMessage(FromAnsi(text, qstrnlen(text, sizeof text)));
    else
        Dbe().DbeShowError("Dbe Exception Error");
}
}  // namespace dbconnect

namespace dbsettings {
DbError::DbError(int32_t code, int) : Exception(QString()), code_(code) {
    char text[601] = {};
    uint16_t length = sizeof text;
    if (Dbe().DbeGetErrorString(static_cast<uint32_t>(code), text, &length) == 0)
        setMessage(FromAnsi(text, qstrnlen(text, sizeof text)));
    else
        Dbe().DbeShowError("Dbe Exception Error");
}
}  // namespace dbsettings

void DbeCheck(TDbDataSet *cursor, int32_t result) {
    if (result == 0 || tBuildingError) return;
    int32_t code = result;
    QString text = LastErrorText(code);
    if (code == 0) code = result;
    throw EDbEngineError(cursor, text, code);
}

void RaiseLayerError(TDbDataSet *cursor, const QString &message, int32_t code) {
    throw EDbEngineError(cursor, message, code);
}
