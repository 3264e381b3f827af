// A small reader for the CSV lists of the settings: records end with
// carriage return + line feed, fields may be quoted with doubled quotes
// inside, and quoted fields may hold separators and line breaks.
#pragma once

#include "setting_streams.h"

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

class TCSVReader {
public:
    // Takes the whole rest of the stream and reads the first record.
    TCSVReader(TStream &stream, char separator);

    void First();
    // Raises Exception "Try to read past eof" once Eof is set.
    void Next();
    bool Eof() const { return eof_; }
    int FieldCount() const { return fieldCount_; }
    // The field's text; empty for an index at or beyond FieldCount.
    QString Field(int index) const;

private:
    void ReadRecord();
    void AddField(qsizetype start, qsizetype length);

    QByteArray buffer_;
    qsizetype recordStart_ = 0;
    qsizetype bufferEnd_ = 0;  // the appended record separator
    qsizetype bufferLength_ = 0;
    TStream *stream_;
    char quote_ = '"';
    char separator_;
    bool endOfBuffer_ = false;
    bool eof_ = false;
    int fieldCount_ = 0;
    char recordSeparator_ = '\r';
    int recordSeparatorLength_ = 2;
    std::vector<std::pair<qsizetype, qsizetype>> fields_;
    qsizetype nextRecord_ = 0;
};
