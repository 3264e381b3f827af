// The animated-cursor reader: the four shipped cursors, and small files
// built here to reach the rules the shipped ones do not use.
#include "ani_cursor.h"

#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

void Put32(QByteArray &out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void Put16(QByteArray &out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

QByteArray Chunk(const char *tag, const QByteArray &data) {
    QByteArray out(tag, 4);
    Put32(out, quint32(data.size()));
    out += data;
    if (data.size() % 2) out += '\0';
    return out;
}

// A cursor file with one image of `bpp` bits: `pixels` holds the rows of
// the colour bitmap top to bottom (already packed), `mask` the AND-mask rows.
QByteArray CursorFile(int width, int height, int bpp, const QList<QRgb> &palette, const QList<QByteArray> &pixels,
                      const QList<QByteArray> &mask, QPoint hot) {
    QByteArray image;
    Put32(image, 40);
    Put32(image, quint32(width));
    Put32(image, quint32(height * 2));
    Put16(image, 1);
    Put16(image, quint16(bpp));
    for (int i = 0; i < 6; ++i) Put32(image, i == 4 ? quint32(palette.size()) : 0);
    for (QRgb c : palette) Put32(image, c & 0xFFFFFF);
    for (int y = height - 1; y >= 0; --y) image += pixels[y];
    for (int y = height - 1; y >= 0; --y) image += mask[y];
    QByteArray file;
    Put16(file, 0);
    Put16(file, 2);
    Put16(file, 1);
    file += char(width);
    file += char(height);
    file += char(0);
    file += char(0);
    Put16(file, quint16(hot.x()));
    Put16(file, quint16(hot.y()));
    Put32(file, quint32(image.size()));
    Put32(file, 22);
    return file + image;
}

// 2 x 2, 32 bits: one transparent pixel, three opaque ones of `rgb`.
QByteArray SolidCursor(QRgb rgb) {
    QByteArray row0, row1;
    for (QRgb c : {QRgb(0), rgb | 0xFF000000u}) Put32(row0, c);
    for (int i = 0; i < 2; ++i) Put32(row1, rgb | 0xFF000000u);
    const QByteArray maskRow("\x80\0\0\0", 4), clearRow(4, '\0');
    return CursorFile(2, 2, 32, {}, {row0, row1}, {maskRow, clearRow}, QPoint(1, 0));
}

QByteArray AniFile(const QList<QByteArray> &frames, quint32 steps, quint32 rate, const QList<quint32> *rates,
                   const QList<quint32> *seq, const char *form = "ACON") {
    QByteArray anih;
    for (quint32 v : {36u, quint32(frames.size()), steps, 0u, 0u, 0u, 0u, rate, seq ? 3u : 1u}) Put32(anih, v);
    QByteArray body(form, 4);
    body += Chunk("anih", anih);
    if (rates) {
        QByteArray r;
        for (quint32 v : *rates) Put32(r, v);
        body += Chunk("rate", r);
    }
    if (seq) {
        QByteArray s;
        for (quint32 v : *seq) Put32(s, v);
        body += Chunk("seq ", s);
    }
    QByteArray list("fram", 4);
    for (const QByteArray &f : frames) list += Chunk("icon", f);
    body += Chunk("LIST", list);
    QByteArray out("RIFF", 4);
    Put32(out, quint32(body.size()));
    return out + body;
}

TEST(AniCursor, ShippedCursors) {
    const struct {
        const char *resource;
        int frames;
        quint32 rate;
    } cursors[] = {{"CRCURSOR_AJAX01", 12, 4}, {"CRCURSOR_AJAX02", 12, 4}, {"CRCURSOR_AJAX03", 8, 6}, {"CRCURSOR_AJAX04", 12, 4}};
    for (const auto &c : cursors) {
        SCOPED_TRACE(c.resource);
        QFile file(QStringLiteral(":/RT_ANICURSOR/") + QLatin1String(c.resource));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QString error;
        const std::optional<TAniCursorData> ani = ParseAniCursor(file.readAll(), &error);
        ASSERT_TRUE(ani) << error.toStdString();
        EXPECT_EQ(ani->frameCount, quint32(c.frames));
        EXPECT_EQ(ani->frames.size(), c.frames);
        EXPECT_EQ(ani->displayRate, c.rate);
        EXPECT_EQ(ani->rates, QList<quint32>(c.frames, c.rate));
        ASSERT_EQ(ani->sequence.size(), c.frames);
        for (int i = 0; i < c.frames; ++i) EXPECT_EQ(ani->sequence[i], quint32(i));
        EXPECT_EQ(ani->bitCount, 32u);
        for (const TAniFrame &f : ani->frames) {
            EXPECT_EQ(f.image.size(), QSize(32, 32));
            EXPECT_EQ(f.hotSpot, QPoint(15, 15));
            EXPECT_EQ(qAlpha(f.image.pixel(0, 0)), 0);  // the corners are see-through
        }
        // It is an animation: consecutive frames differ.
        EXPECT_NE(ani->frames[0].image, ani->frames[1].image);
    }
}

TEST(AniCursor, StepsRatesAndFrames) {
    const QList<QByteArray> frames{SolidCursor(qRgb(255, 0, 0)), SolidCursor(qRgb(0, 0, 255))};
    const QList<quint32> seq{1, 0, 1}, rates{2, 9, 2};

    // Without a "rate" chunk every step takes the header's rate.
    std::optional<TAniCursorData> ani = ParseAniCursor(AniFile(frames, 3, 7, nullptr, &seq));
    ASSERT_TRUE(ani);
    EXPECT_EQ(ani->sequence, seq);
    EXPECT_EQ(ani->rates, (QList<quint32>{7, 7, 7}));
    ASSERT_EQ(ani->frames.size(), 2);
    EXPECT_EQ(ani->frames[1].image.pixel(1, 1), qRgba(0, 0, 255, 255));
    EXPECT_EQ(qAlpha(ani->frames[1].image.pixel(0, 0)), 0);
    EXPECT_EQ(ani->frames[0].hotSpot, QPoint(1, 0));

    // Per-step rates; without "seq " the frames play in order.
    ani = ParseAniCursor(AniFile(frames, 2, 7, &rates, nullptr));
    ASSERT_FALSE(ani) << "three rates for two steps";
    const QList<quint32> two{3, 5};
    ani = ParseAniCursor(AniFile(frames, 2, 7, &two, nullptr));
    ASSERT_TRUE(ani);
    EXPECT_EQ(ani->sequence, (QList<quint32>{0, 1}));
    EXPECT_EQ(ani->rates, two);
}

TEST(AniCursor, PaletteFramesUseTheMask) {
    // 1 bit per pixel, 2 x 1: black, white; the mask hides the second.
    const QByteArray pixels("\x40\0\0\0", 4), mask("\x40\0\0\0", 4);
    const std::optional<TAniFrame> frame =
        ParseIconFile(CursorFile(2, 1, 1, {qRgb(0, 0, 0), qRgb(255, 255, 255)}, {pixels}, {mask}, QPoint(0, 0)));
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->image.pixel(0, 0), qRgba(0, 0, 0, 255));
    EXPECT_EQ(qAlpha(frame->image.pixel(1, 0)), 0);
}

TEST(AniCursor, RejectsWhatIsNoAnimation) {
    const QList<QByteArray> frames{SolidCursor(qRgb(1, 2, 3))};
    const QList<quint32> badSeq{0, 1};
    const QByteArray good = AniFile(frames, 1, 4, nullptr, nullptr);
    ASSERT_TRUE(ParseAniCursor(good));
    QByteArray noFrames = AniFile({}, 1, 4, nullptr, nullptr);
    QByteArray notIcon = AniFile({QByteArray("junkjunkjunkjunk")}, 1, 4, nullptr, nullptr);
    const struct {
        const char *name;
        QByteArray data;
    } cases[] = {
        {"empty", QByteArray()},
        {"another RIFF form", AniFile(frames, 1, 4, nullptr, nullptr, "WAVE")},
        {"cut in the middle", good.left(good.size() / 2)},
        {"a step names a missing frame", AniFile(frames, 2, 4, nullptr, &badSeq)},
        {"no frames", noFrames},
        {"a frame that is no icon", notIcon},
    };
    for (const auto &c : cases) EXPECT_FALSE(ParseAniCursor(c.data)) << c.name;
}

// Without a "seq " chunk the header's step count is all there is; a damaged
// one is refused before a single step is made of it.
TEST(AniCursor, StepCountBeyondTheFramesIsRefused) {
    const QList<QByteArray> frames{SolidCursor(qRgb(1, 2, 3))};
    for (const quint32 steps : {2u, 0xFFFFFFFFu}) {
        QString error;
        EXPECT_FALSE(ParseAniCursor(AniFile(frames, steps, 4, nullptr, nullptr), &error)) << steps;
        EXPECT_EQ(error, QStringLiteral("the header claims more steps than there are frames"))
            << steps;
    }
}

}  // namespace
