// The database layer's exceptions and the one check that turns an engine
// result into an exception.
#pragma once

#include "exceptions.h"

#include <QString>
#include <cstdint>

class TDbDataSet;

constexpr int32_t kLayerErrorCode = 5121;

class EDbEngineError : public EDatabaseError {
public:
    // While this thread is already building one, the new error gets no
    // message and no details: an engine failure inside the gathering of an
    // error must not hide the first one.
    EDbEngineError(TDbDataSet *cursor, const QString &message, int32_t code);
    ~EDbEngineError() override;
    EDbEngineError(const EDbEngineError &other);

    int32_t ErrorCode() const { return code_; }
    int32_t SQLErrorCode() const { return nativeCode_; }
    const QString &CursorName() const { return cursorName_; }
    const QString &OwnerName() const { return ownerName_; }
    const QString &DatabaseName() const { return databaseName_; }
    const QString &DatabasePath() const { return databasePath_; }
    const QString &TableName() const { return tableName_; }
    const QString &ColumnName() const { return columnName_; }

private:
    int32_t code_ = 0;
    int32_t nativeCode_ = 0;
    QString cursorName_, ownerName_, databaseName_, databasePath_, tableName_, columnName_;
    bool ownsFlag_ = false;
};

// Errors of the connection component; the text comes from DbeGetLastError.
namespace dbconnect {
class DbError : public Exception {
public:
    DbError(int32_t code, int unused = 0);
    int32_t ErrorCode() const { return code_; }

private:
    int32_t code_;
};
}  // namespace dbconnect

// Errors of the settings component; the text comes from DbeGetErrorString.
namespace dbsettings {
class DbError : public Exception {
public:
    DbError(int32_t code, int unused = 0);
    int32_t ErrorCode() const { return code_; }

private:
    int32_t code_;
};
}  // namespace dbsettings

class DbConnectionError : public Exception {
public:
    using Exception::Exception;
};

class DbSettingsError : public Exception {
public:
    using Exception::Exception;
};

// Nothing for 0; otherwise raises EDbEngineError with the engine's last
// error (its code replaces the result).
void DbeCheck(TDbDataSet *cursor, int32_t result);
// The layer's own error (code 5121) with the cursor's name in front.
[[noreturn]] void RaiseLayerError(TDbDataSet *cursor, const QString &message,
                                  int32_t code = kLayerErrorCode);
