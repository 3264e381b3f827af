#include "component_stream.h"

#include "text_codec.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

namespace {

constexpr quint8 kFilerFlagsMark = 0xF0;
constexpr quint8 kFlagChildPos = 0x02;

// Lists, collections and child components nest by recursion. The suite's own
// streams go three levels deep (component, collection, item); a damaged memo
// that claims thousands of levels must end in a read error, not in a stack
// overflow at start-up.
constexpr int kMaxNesting = 32;

class TReader {
public:
    explicit TReader(TStream &stream) : stream_(stream) {}

    void Bytes(char *buffer, qint64 count) {
        if (count == 0) return;
        if (stream_.Read(buffer, count) != count) throw EReadError(QStringLiteral("Stream read error"));
    }
    QByteArray Bytes(qint64 count) {
        if (count < 0) throw EReadError(QStringLiteral("Invalid stream format"));
        // A damaged length must not make us allocate gigabytes before the
        // short read is noticed.
        if (const qint64 left = stream_.Size() - stream_.Position(); count > left)
            throw EReadError(QStringLiteral("Stream read error"));
        QByteArray out(count, Qt::Uninitialized);
        Bytes(out.data(), count);
        return out;
    }
    template <typename T>
    T Raw() {
        char b[sizeof(T)];
        Bytes(b, sizeof b);
        return qFromLittleEndian<T>(b);
    }
    quint8 Byte() { return Raw<quint8>(); }
    quint8 PeekByte() {
        const quint8 b = Byte();
        stream_.Seek(-1, TSeekOrigin::soCurrent);
        return b;
    }
    bool EndOfList() {
        if (PeekByte() != 0) return false;
        Byte();
        return true;
    }
    QString ShortString() { return FromAnsi(Bytes(Byte())); }
    QString LongString() { return FromAnsi(Bytes(Raw<qint32>())); }

    double Extended() {
        char b[10];
        Bytes(b, sizeof b);
        const quint64 mantissa = qFromLittleEndian<quint64>(b);
        const quint16 signExp = qFromLittleEndian<quint16>(b + 8);
        const int exponent = signExp & 0x7FFF;
        const bool negative = signExp & 0x8000;
        double v;
        if (exponent == 0 && mantissa == 0)
            v = 0;
        else if (exponent == 0x7FFF)
            v = (mantissa << 1) == 0 ? HUGE_VAL : std::nan("");
        else
            v = std::ldexp(double(mantissa), exponent - 16383 - 63);
        return negative ? -v : v;
    }

    TStreamValue Value() {
        TStreamValue v;
        const quint8 type = Byte();
        v.Type = TStreamValueType(type);
        switch (v.Type) {
        case TStreamValueType::vaNull:
        case TStreamValueType::vaNil:
        case TStreamValueType::vaFalse:
        case TStreamValueType::vaTrue:
            break;
        case TStreamValueType::vaList: {
            const TNesting nesting(*this);
            while (!EndOfList()) v.List.push_back(Value());
            break;
        }
        case TStreamValueType::vaInt8: v.Integer = Raw<qint8>(); break;
        case TStreamValueType::vaInt16: v.Integer = Raw<qint16>(); break;
        case TStreamValueType::vaInt32: v.Integer = Raw<qint32>(); break;
        case TStreamValueType::vaInt64: v.Integer = Raw<qint64>(); break;
        case TStreamValueType::vaExtended: v.Float = Extended(); break;
        case TStreamValueType::vaSingle: {
            const quint32 bits = Raw<quint32>();
            float f;
            std::memcpy(&f, &bits, sizeof f);
            v.Float = f;
            break;
        }
        case TStreamValueType::vaCurrency: v.Float = double(Raw<qint64>()) / 10000.0; break;
        case TStreamValueType::vaDate: {
            const quint64 bits = Raw<quint64>();
            std::memcpy(&v.Float, &bits, sizeof v.Float);
            break;
        }
        case TStreamValueType::vaString:
        case TStreamValueType::vaIdent: v.Text = ShortString(); break;
        case TStreamValueType::vaLString: v.Text = LongString(); break;
        case TStreamValueType::vaUTF8String: v.Text = QString::fromUtf8(Bytes(Raw<qint32>())); break;
        case TStreamValueType::vaWString: {
            const qint32 chars = Raw<qint32>();
            if (chars < 0) throw EReadError(QStringLiteral("Invalid stream format"));
            const QByteArray b = Bytes(qint64(chars) * 2);
            v.Text.resize(chars);
            for (qint32 i = 0; i < chars; ++i)
                v.Text[i] = QChar(qFromLittleEndian<quint16>(b.constData() + 2 * i));
            break;
        }
        case TStreamValueType::vaBinary: v.Bytes = Bytes(Raw<qint32>()); break;
        case TStreamValueType::vaSet:
            for (QString item = ShortString(); !item.isEmpty(); item = ShortString())
                v.SetItems << item;
            break;
        case TStreamValueType::vaCollection: {
            const TNesting nesting(*this);
            while (!EndOfList()) {
                TStreamCollectionItem item;
                const quint8 next = PeekByte();
                if (next != quint8(TStreamValueType::vaList)) {
                    const TStreamValue order = Value();
                    if (!order.IsInteger()) throw EReadError(QStringLiteral("Invalid property value"));
                    item.HasOrder = true;
                    item.Order = order.Integer;
                }
                if (Byte() != quint8(TStreamValueType::vaList))
                    throw EReadError(QStringLiteral("Invalid stream format"));
                Properties(item.Properties);
                v.Items.push_back(std::move(item));
            }
            break;
        }
        default:
            throw EReadError(QStringLiteral("Invalid property value type %1").arg(type));
        }
        return v;
    }

    void Properties(std::vector<TStreamProperty> &out) {
        while (!EndOfList()) {
            TStreamProperty p;
            p.Name = ShortString();
            if (p.Name.isEmpty()) throw EReadError(QStringLiteral("Invalid stream format"));
            p.Value = Value();
            out.push_back(std::move(p));
        }
    }

    TStreamComponent Component() {
        const TNesting nesting(*this);
        TStreamComponent c;
        if ((PeekByte() & 0xF0) == kFilerFlagsMark) {
            c.FilerFlags = Byte() & 0x0F;
            if (c.FilerFlags & kFlagChildPos) {
                const TStreamValue pos = Value();
                if (!pos.IsInteger()) throw EReadError(QStringLiteral("Invalid property value"));
                c.HasChildPos = true;
                c.ChildPos = pos.Integer;
            }
        }
        c.ClassName = ShortString();
        if (c.ClassName.isEmpty()) throw EReadError(QStringLiteral("Invalid stream format"));
        c.Name = ShortString();
        Properties(c.Properties);
        while (!EndOfList()) c.Children.push_back(Component());
        return c;
    }

private:
    // One level deeper for as long as it lives.
    class TNesting {
    public:
        explicit TNesting(TReader &reader) : reader_(reader) {
            if (++reader_.depth_ > kMaxNesting) {
                --reader_.depth_;
                throw EReadError(QStringLiteral("Stream nested too deeply"));
            }
        }
        ~TNesting() { --reader_.depth_; }
        TNesting(const TNesting &) = delete;
        TNesting &operator=(const TNesting &) = delete;

    private:
        TReader &reader_;
    };

    TStream &stream_;
    int depth_ = 0;
};

}  // namespace

bool TStreamValue::IsInteger() const {
    return Type == TStreamValueType::vaInt8 || Type == TStreamValueType::vaInt16 ||
           Type == TStreamValueType::vaInt32 || Type == TStreamValueType::vaInt64;
}

bool TStreamValue::IsString() const {
    return Type == TStreamValueType::vaString || Type == TStreamValueType::vaLString ||
           Type == TStreamValueType::vaWString || Type == TStreamValueType::vaUTF8String;
}

TStreamComponent ReadComponentStream(TStream &stream) {
    TReader reader(stream);
    char signature[4];
    reader.Bytes(signature, 4);
    if (std::memcmp(signature, "TPF0", 4) != 0) throw EReadError(QStringLiteral("Invalid stream format"));
    return reader.Component();
}
