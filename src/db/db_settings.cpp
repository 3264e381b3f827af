#include "db_settings.h"

#include "db_errors.h"
#include "dbe_dispatch.h"
#include "format_settings.h"
#include "text_codec.h"

#include <QMutex>

namespace {
QMutex gSettingsLock;
int gSettingsCount = 0;
TDbSettings *gLastSettings = nullptr;

QByteArray Ansi(const QString &s) { return ToAnsi(s).value_or(QByteArray()); }
}  // namespace

TDbSettings *TDbSettings::ProcessSettings() {
    QMutexLocker lock(&gSettingsLock);
    return gLastSettings;
}

int TDbSettings::InstanceCount() {
    QMutexLocker lock(&gSettingsLock);
    return gSettingsCount;
}

TDbSettings::TDbSettings(TComponent *owner) : TComponent(owner) {
    {
        QMutexLocker lock(&gSettingsLock);
        if (gSettingsCount > 0 && !IsDesigning())
            throw Exception(QStringLiteral("Only one DbSettings component is allowed per application"));
        ++gSettingsCount;
        counted_ = true;
    }
    try {
        setProcessDate_ = true;
        numCachedTables_ = 0;  // equal to the initial value: no engine call
        SetNumCachedCursors(25);
        // The process's short date format, in the engine's letters.
        QString process = FormatSettings().ShortDateFormat;
        process.replace(u'/', FormatSettings().DateSeparator);
        QByteArray format = Ansi(process).left(11);
        if (Dbe().DbeSetDateFormat(format.constData()) != 0) {
            format = "MM/dd/ccyy";
            if (int32_t rc = Dbe().DbeSetDateFormat(format.constData())) throw dbsettings::DbError(rc);
        }
        dateFormat_ = FromAnsi(format);
        uint16_t decimals = 0;
        if (int32_t rc = Dbe().DbeGetDecimals(&decimals)) throw dbsettings::DbError(rc);
        numDecimals_ = decimals;
        uint16_t deleted = 0;
        if (int32_t rc = Dbe().DbeGetDeleted(&deleted)) throw dbsettings::DbError(rc);
        showDeleted_ = deleted != 0;
        SetDbServerTypes({TDbServerType::stDB_REMOTE, TDbServerType::stDB_INTERNET});
    } catch (...) {
        // A constructor that raises never reaches the destructor, which is
        // what gives the count back; without this the process could never
        // create its one settings component again.
        QMutexLocker lock(&gSettingsLock);
        --gSettingsCount;
        counted_ = false;
        throw;
    }
    QMutexLocker lock(&gSettingsLock);
    gLastSettings = this;
}

TDbSettings::~TDbSettings() {
    QMutexLocker lock(&gSettingsLock);
    if (counted_) --gSettingsCount;
    if (gLastSettings == this) gLastSettings = nullptr;
}

void TDbSettings::SetDateFormat(const QString &format) {
    QString f = format.isEmpty() ? QStringLiteral("MM/dd/ccyy") : format;
    QByteArray bytes = Ansi(f).left(11);
    if (int32_t rc = Dbe().DbeSetDateFormat(bytes.constData())) throw dbsettings::DbError(rc);
    dateFormat_ = f.left(12);
    if (setProcessDate_) {
        QString process = f;
        for (QChar &c : process)
            if (c == u'C' || c == u'c' || c == u'Y' || c == u'y') c = u'y';
        savedProcessDateFormat_ = FormatSettings().ShortDateFormat;
        FormatSettings().ShortDateFormat = process;
        for (QChar c : process) {
            QChar u = c.toUpper();
            if (u != u'C' && u != u'Y' && u != u'M' && u != u'D') {
                FormatSettings().DateSeparator = c;
                break;
            }
        }
    }
}

void TDbSettings::SetNumDecimals(int decimals) {
    if (int32_t rc = Dbe().DbeSetDecimals(static_cast<uint16_t>(decimals))) throw dbsettings::DbError(rc);
    numDecimals_ = decimals;
}

void TDbSettings::SetSetProcessDate(bool value) {
    if (!value && IsLoading() && !savedProcessDateFormat_.isEmpty())
        FormatSettings().ShortDateFormat = savedProcessDateFormat_;
    setProcessDate_ = value;
}

void TDbSettings::SetShowDeleted(bool show) {
    if (int32_t rc = Dbe().DbeShowDeleted(show ? 1 : 0)) throw dbsettings::DbError(rc);
    showDeleted_ = show;
}

void TDbSettings::SetDbServerTypes(TDbServerTypes types) {
    if (types == serverTypes_) return;
    TDbServerTypes old = serverTypes_;
    serverTypes_ = types;
    uint16_t mask = types.EngineMask();
    if (mask == 0) {
        serverTypes_ = old.empty() ? TDbServerTypes{TDbServerType::stDB_REMOTE} : old;
        throw DbSettingsError(QStringLiteral("At least one server type must be selected."));
    }
    if (int32_t rc = Dbe().DbeSetServerType(mask)) {
        serverTypes_ = old.empty() ? TDbServerTypes{TDbServerType::stDB_REMOTE} : old;
        throw dbsettings::DbError(rc);
    }
}

void TDbSettings::SetNumCachedTables(int count) {
    if (count < 0) throw Exception(QStringLiteral("NumCachedTables value must be greater than zero."));
    if (count == numCachedTables_) return;
    numCachedTables_ = count;
    if (int32_t rc = Dbe().DbeCacheOpenTables(static_cast<int16_t>(count))) throw dbsettings::DbError(rc);
}

void TDbSettings::SetNumCachedCursors(int count) {
    if (count < 0) throw Exception(QStringLiteral("NumCachedCursors value must be greater than zero."));
    if (count == numCachedCursors_) return;
    numCachedCursors_ = count;
    if (int32_t rc = Dbe().DbeCacheOpenCursors(static_cast<int16_t>(count))) throw dbsettings::DbError(rc);
}

uint32_t TDbSettings::LastErrorCode() const {
    uint32_t code = 0;
    uint16_t length = 0;
    Dbe().DbeGetLastError(&code, nullptr, &length);
    return code;
}

int TDbSettings::NumOpenTables() const {
    uint16_t n = 0;
    Dbe().DbeGetNumOpenTables(&n);
    return n;
}
