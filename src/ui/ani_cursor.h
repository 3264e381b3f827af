// Reader for animated-cursor files: a RIFF form "ACON" with an "anih"
// header, optional "rate" and "seq " chunks and a "LIST" "fram" of icon
// chunks, each a complete icon or cursor file (.ico/.cur).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>
#include <optional>

struct TAniFrame {
    QImage image;    // ARGB32, not premultiplied
    QPoint hotSpot;  // (0, 0) for icon frames
};

// The animation as the file describes it. Steps are what is shown in
// turn: step i shows frames[sequence[i]] for rates[i] jiffies (1/60 s).
struct TAniCursorData {
    quint32 frameCount = 0;   // from the header
    quint32 stepCount = 0;    // from the header
    quint32 width = 0, height = 0, bitCount = 0, planes = 0;
    quint32 displayRate = 0;  // default jiffies per step
    quint32 attributes = 0;   // bit 0: frames are icon files; bit 1: "seq " present
    QList<TAniFrame> frames;
    QList<quint32> rates;     // one per step, filled from displayRate when "rate" is absent
    QList<quint32> sequence;  // one per step, 0..n-1 when "seq " is absent
};

// Parses a whole .ani file. Returns nothing when the data is not a usable
// animation: not RIFF/ACON, no "anih", no frames, a frame that is not a
// decodable icon, or a step naming a frame that does not exist. `error`,
// when given, receives a one-line reason.
std::optional<TAniCursorData> ParseAniCursor(const QByteArray &data, QString *error = nullptr);

// Decodes the first image of an .ico or .cur file (BMP with 1, 4, 8, 24 or
// 32 bits per pixel plus AND mask, or embedded PNG). The hot spot is taken
// from the directory entry of a .cur file.
std::optional<TAniFrame> ParseIconFile(const QByteArray &data, QString *error = nullptr);
