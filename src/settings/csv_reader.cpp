#include "csv_reader.h"

#include "exceptions.h"
#include "text_codec.h"

TCSVReader::TCSVReader(TStream &stream, char separator)
    : stream_(&stream), separator_(separator), fields_(100) {
    buffer_ = stream_->ReadRest();
    bufferEnd_ = buffer_.size();
    // The closing separator guarantees that every scan meets a record end;
    // the zero marks the end of the data for an unclosed quote.
    buffer_.append(recordSeparator_);
    buffer_.append('\0');
    bufferLength_ = buffer_.size();
    First();
}

void TCSVReader::First() {
    recordStart_ = 0;
    endOfBuffer_ = false;
    eof_ = false;
    ReadRecord();
}

void TCSVReader::Next() {
    if (eof_) throw Exception(QStringLiteral("Try to read past eof"));
    recordStart_ = nextRecord_;
    ReadRecord();
}

void TCSVReader::AddField(qsizetype start, qsizetype length) {
    if (fieldCount_ >= int(fields_.size())) fields_.resize(fields_.size() * 2);
    fields_[size_t(fieldCount_++)] = {start, length};
}

void TCSVReader::ReadRecord() {
    fieldCount_ = 0;
    const char *b = buffer_.constData();
    qsizetype p = recordStart_;
    if (p > bufferEnd_) p = bufferEnd_;
    if (b[p] != recordSeparator_) {
        for (;;) {
            const qsizetype start = p;
            if (b[p] == quote_) {
                ++p;
                for (;;) {
                    if (p >= bufferEnd_) break;  // unclosed: runs to the end of the data
                    if (b[p] == quote_) {
                        if (b[p + 1] == quote_) {
                            p += 2;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    ++p;
                }
            }
            while (b[p] != separator_ && b[p] != recordSeparator_) ++p;
            AddField(start, p - start);
            if (b[p] == recordSeparator_) break;
            ++p;
        }
    }
    endOfBuffer_ = p >= bufferEnd_;
    eof_ = endOfBuffer_;
    nextRecord_ = p + recordSeparatorLength_;
}

QString TCSVReader::Field(int index) const {
    if (index < 0 || index >= fieldCount_) return QString();
    const auto [start, length] = fields_[size_t(index)];
    const char *b = buffer_.constData() + start;
    if (length == 0 || b[0] != quote_) return FromAnsi(b, length);
    QByteArray value;
    for (qsizetype i = 1; i < length; ++i) {
        if (b[i] == quote_) {
            if (i + 1 < length && b[i + 1] == quote_) {
                value.append(quote_);
                ++i;
                continue;
            }
            break;
        }
        value.append(b[i]);
    }
    return FromAnsi(value);
}
