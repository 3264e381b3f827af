// The host suite's binary component stream ("TPF0" followed by one
// component), read into a plain tree so that callers map it onto their own
// objects without a class registry.
#pragma once

#include "exceptions.h"
#include "setting_streams.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// Malformed or unsupported stream content.
class EReadError : public Exception {
public:
    using Exception::Exception;
};

enum class TStreamValueType : quint8 {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
};

struct TStreamProperty;
struct TStreamCollectionItem;

struct TStreamValue {
    TStreamValueType Type = TStreamValueType::vaNull;
    qint64 Integer = 0;  // the integer kinds
    double Float = 0;    // extended, single, currency, date
    QString Text;        // the string kinds and identifiers
    QByteArray Bytes;    // binary
    QStringList SetItems;
    std::vector<TStreamValue> List;
    std::vector<TStreamCollectionItem> Items;

    bool IsInteger() const;
    bool IsString() const;
};

struct TStreamProperty {
    QString Name;
    TStreamValue Value;
};

struct TStreamCollectionItem {
    bool HasOrder = false;
    qint64 Order = 0;
    std::vector<TStreamProperty> Properties;
};

struct TStreamComponent {
    quint8 FilerFlags = 0;  // the low nibble of the flags byte
    bool HasChildPos = false;
    qint64 ChildPos = 0;
    QString ClassName;
    QString Name;
    std::vector<TStreamProperty> Properties;
    std::vector<TStreamComponent> Children;
};

// Reads the signature and one component from the stream's current
// position. Raises EReadError on anything it does not know, on a premature
// end, and on lists, collections and child components nested more than 32
// levels deep (the component itself is the first level).
TStreamComponent ReadComponentStream(TStream &stream);
