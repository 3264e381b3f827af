#include "ani_cursor.h"

#include <QtEndian>

namespace {

constexpr quint32 kAfIcon = 1;

bool Fail(QString *error, const char *reason) {
    if (error) *error = QString::fromLatin1(reason);
    return false;
}

// Bounds-checked little-endian reads over a byte range; every read past the
// end yields 0 and marks the reader bad, so callers test once at the end.
class TReader {
public:
    TReader(const QByteArray &data, qsizetype begin = 0, qsizetype end = -1)
        : data_(data), pos_(begin), end_(end < 0 ? data.size() : std::min(end, data.size())) {}

    bool Has(qsizetype n) const { return n >= 0 && pos_ + n <= end_; }
    quint32 U32() { return Take<quint32>(); }
    quint16 U16() { return Take<quint16>(); }
    quint8 U8() { return Take<quint8>(); }
    QByteArray Tag() {
        if (!Has(4)) return bad_ = true, QByteArray();
        QByteArray t = data_.mid(pos_, 4);
        pos_ += 4;
        return t;
    }
    void Skip(qsizetype n) { Has(n) ? void(pos_ += n) : void(bad_ = true); }
    qsizetype Pos() const { return pos_; }
    qsizetype End() const { return end_; }
    bool Bad() const { return bad_; }

private:
    template <typename T>
    T Take() {
        if (!Has(sizeof(T))) return bad_ = true, T(0);
        T v = qFromLittleEndian<T>(data_.constData() + pos_);
        pos_ += sizeof(T);
        return v;
    }

    const QByteArray &data_;
    qsizetype pos_, end_;
    bool bad_ = false;
};

std::optional<TAniFrame> DecodeBitmap(const QByteArray &image, QString *error) {
    TReader r(image);
    const quint32 headerSize = r.U32();
    const qint32 width = static_cast<qint32>(r.U32());
    const qint32 doubleHeight = static_cast<qint32>(r.U32());
    r.U16();  // planes
    const quint16 bpp = r.U16();
    const quint32 compression = r.U32();
    r.Skip(12);  // image size, resolution
    const quint32 colorsUsed = r.U32();
    if (r.Bad() || headerSize < 40) return Fail(error, "icon bitmap header too short"), std::nullopt;
    // The height covers the colour bitmap and the AND mask below it.
    const qint32 height = doubleHeight / 2;
    if (width <= 0 || height <= 0 || width > 1024 || height > 1024)
        return Fail(error, "icon bitmap size out of range"), std::nullopt;
    if (compression != 0) return Fail(error, "compressed icon bitmaps are not supported"), std::nullopt;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        return Fail(error, "unsupported icon bit depth"), std::nullopt;

    QList<QRgb> palette;
    if (bpp <= 8) {
        const quint32 entries = colorsUsed ? colorsUsed : (1u << bpp);
        if (entries > 256) return Fail(error, "icon palette too large"), std::nullopt;
        TReader p(image, headerSize);
        for (quint32 i = 0; i < entries; ++i) {
            const quint32 bgrx = p.U32();
            palette.append(qRgb((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF));
        }
        if (p.Bad()) return Fail(error, "icon palette truncated"), std::nullopt;
    }
    const qsizetype pixelsAt = headerSize + palette.size() * 4;
    const qsizetype xorStride = ((qsizetype(width) * bpp + 31) / 32) * 4;
    const qsizetype andStride = ((qsizetype(width) + 31) / 32) * 4;
    const qsizetype maskAt = pixelsAt + xorStride * height;
    if (maskAt + andStride * height > image.size())
        return Fail(error, "icon bitmap truncated"), std::nullopt;

    const auto *bytes = reinterpret_cast<const uchar *>(image.constData());
    QImage out(width, height, QImage::Format_ARGB32);
    bool anyAlpha = false;
    for (qint32 y = 0; y < height; ++y) {
        // Rows are stored bottom-up.
        const uchar *row = bytes + pixelsAt + xorStride * (height - 1 - y);
        const uchar *mask = bytes + maskAt + andStride * (height - 1 - y);
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (qint32 x = 0; x < width; ++x) {
            const bool transparent = mask[x / 8] & (0x80 >> (x % 8));
            QRgb c;
            switch (bpp) {
            case 32:
                c = qRgba(row[x * 4 + 2], row[x * 4 + 1], row[x * 4], row[x * 4 + 3]);
                anyAlpha = anyAlpha || qAlpha(c) != 0;
                break;
            case 24: c = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]); break;
            default: {
                const int perByte = 8 / bpp;
                const int shift = (perByte - 1 - x % perByte) * bpp;
                const int index = (row[x / perByte] >> shift) & ((1 << bpp) - 1);
                c = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
            }
            }
            if (bpp != 32) c = transparent ? qRgba(0, 0, 0, 0) : (c | 0xFF000000u);
            line[x] = c;
        }
    }
    // Old 32-bit icons leave the alpha byte empty and rely on the mask.
    if (bpp == 32 && !anyAlpha) {
        for (qint32 y = 0; y < height; ++y) {
            const uchar *mask = bytes + maskAt + andStride * (height - 1 - y);
            auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
            for (qint32 x = 0; x < width; ++x)
                line[x] = (mask[x / 8] & (0x80 >> (x % 8))) ? 0u : (line[x] | 0xFF000000u);
        }
    }
    return TAniFrame{out, QPoint()};
}

}  // namespace

std::optional<TAniFrame> ParseIconFile(const QByteArray &data, QString *error) {
    TReader r(data);
    const quint16 reserved = r.U16(), type = r.U16(), count = r.U16();
    if (r.Bad() || reserved != 0 || (type != 1 && type != 2) || count == 0)
        return Fail(error, "not an icon or cursor file"), std::nullopt;
    r.Skip(4);  // width, height, colour count, reserved
    const quint16 hotX = r.U16(), hotY = r.U16();
    const quint32 size = r.U32(), offset = r.U32();
    if (r.Bad() || offset >= quint32(data.size()) || size > quint32(data.size()) - offset)
        return Fail(error, "icon directory entry out of range"), std::nullopt;
    const QByteArray image = data.mid(offset, size);

    std::optional<TAniFrame> frame;
    if (image.startsWith("\x89PNG")) {
        QImage png = QImage::fromData(image, "PNG");
        if (png.isNull()) return Fail(error, "embedded PNG does not decode"), std::nullopt;
        frame = TAniFrame{png.convertToFormat(QImage::Format_ARGB32), QPoint()};
    } else {
        frame = DecodeBitmap(image, error);
    }
    if (frame && type == 2) frame->hotSpot = QPoint(hotX, hotY);
    return frame;
}

std::optional<TAniCursorData> ParseAniCursor(const QByteArray &data, QString *error) {
    TReader r(data);
    const QByteArray riff = r.Tag();
    const quint32 riffSize = r.U32();
    const QByteArray form = r.Tag();
    if (r.Bad() || riff != "RIFF" || form != "ACON")
        return Fail(error, "not a RIFF ACON file"), std::nullopt;

    TAniCursorData ani;
    bool haveHeader = false, haveRates = false, haveSeq = false;
    QList<QByteArray> icons;
    TReader chunks(data, 12, qsizetype(8) + riffSize);
    while (chunks.Has(8)) {
        const QByteArray tag = chunks.Tag();
        const quint32 size = chunks.U32();
        const qsizetype start = chunks.Pos();
        if (!chunks.Has(size)) return Fail(error, "chunk runs past the end of the file"), std::nullopt;
        TReader body(data, start, start + size);
        if (tag == "anih") {
            const quint32 headerSize = body.U32();
            ani.frameCount = body.U32();
            ani.stepCount = body.U32();
            ani.width = body.U32();
            ani.height = body.U32();
            ani.bitCount = body.U32();
            ani.planes = body.U32();
            ani.displayRate = body.U32();
            ani.attributes = body.U32();
            if (body.Bad() || headerSize < 36) return Fail(error, "anih header too short"), std::nullopt;
            haveHeader = true;
        } else if (tag == "rate" || tag == "seq ") {
            QList<quint32> &list = tag == "rate" ? ani.rates : ani.sequence;
            while (body.Has(4)) list.append(body.U32());
            (tag == "rate" ? haveRates : haveSeq) = true;
        } else if (tag == "LIST" && body.Tag() == "fram") {
            while (body.Has(8)) {
                const QByteArray sub = body.Tag();
                const quint32 subSize = body.U32();
                if (!body.Has(subSize)) return Fail(error, "frame runs past its list"), std::nullopt;
                if (sub == "icon") icons.append(data.mid(body.Pos(), subSize));
                body.Skip(subSize + (subSize & 1));
            }
        }
        // Chunks are padded to even length; a missing pad byte at the very
        // end is tolerated.
        chunks.Skip(std::min<qsizetype>(size + (size & 1), chunks.End() - start));
    }

    if (!haveHeader) return Fail(error, "no anih header"), std::nullopt;
    if (!(ani.attributes & kAfIcon)) return Fail(error, "raw bitmap frames are not supported"), std::nullopt;
    if (icons.isEmpty()) return Fail(error, "no frames"), std::nullopt;
    for (const QByteArray &icon : icons) {
        std::optional<TAniFrame> frame = ParseIconFile(icon, error);
        if (!frame) return std::nullopt;
        ani.frames.append(*frame);
    }

    const quint32 steps = ani.stepCount ? ani.stepCount : quint32(ani.frames.size());
    if (!haveSeq) {
        // The frames play in order, so more steps than frames would name a
        // missing one; the header's count is not worth gigabytes of steps.
        if (steps > quint32(ani.frames.size()))
            return Fail(error, "the header claims more steps than there are frames"), std::nullopt;
        for (quint32 i = 0; i < steps; ++i) ani.sequence.append(i);
    }
    if (!haveRates) ani.rates = QList<quint32>(ani.sequence.size(), ani.displayRate);
    if (ani.rates.size() != ani.sequence.size())
        return Fail(error, "rate and seq chunks differ in length"), std::nullopt;
    for (quint32 &rate : ani.rates)
        if (rate == 0) rate = ani.displayRate ? ani.displayRate : 1;
    for (quint32 index : ani.sequence)
        if (index >= quint32(ani.frames.size())) return Fail(error, "a step names a missing frame"), std::nullopt;
    if (ani.sequence.isEmpty()) return Fail(error, "no steps"), std::nullopt;
    return ani;
}
