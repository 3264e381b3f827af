#include "ini_file.h"

#include "exceptions.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <iterator>
#include <optional>

namespace {

bool SameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

std::optional<qint32> DecimalInteger(const QString &text) {
    bool ok = false;
    const qint32 v = text.toInt(&ok, 10);
    if (!ok) return std::nullopt;
    return v;
}

// The file is in the 8-bit code page; a character it cannot hold is
// written as the encoder's replacement, and the object keeps what the file
// will hold.
QString InCodePage(const QString &text) {
    QStringEncoder encoder("windows-1252");
    QStringDecoder decoder("windows-1252");
    return decoder.decode(encoder.encode(text));
}

}  // namespace

TIniFile::TIniFile(QString path) : path_(std::move(path)) {}

TIniFile::~TIniFile() {
    try {
        UpdateFile();
    } catch (...) {
    }
}

QString TIniFile::ValueOfRawText(const QString &afterEquals) {
    bool quoted = false;
    qsizetype end = afterEquals.size();
    for (qsizetype i = 0; i < afterEquals.size(); ++i) {
        const QChar c = afterEquals[i];
        if (c == u'"') {
            quoted = !quoted;
        } else if (c == u';' && !quoted) {
            end = i;
            break;
        }
    }
    return afterEquals.left(end).trimmed();
}

void TIniFile::Load() {
    if (loaded_) return;
    sections_.clear();
    sections_.push_back(TSection{QString(), true, {}});
    QFile file(path_);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            throw Exception(QStringLiteral("Datei %1 kann nicht gelesen werden").arg(path_));
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw Exception(QStringLiteral("Datei %1 kann nicht gelesen werden").arg(path_));
        QStringDecoder decoder("windows-1252");
        const QString text = decoder.decode(bytes);
        QStringList rawLines = text.split(u'\n');
        if (!rawLines.isEmpty() && rawLines.last().isEmpty()) rawLines.removeLast();
        for (QString raw : rawLines) {
            if (raw.endsWith(u'\r')) raw.chop(1);
            const QString trimmed = raw.trimmed();
            // A comment may follow the closing bracket.
            if (const qsizetype close = trimmed.indexOf(u']'); trimmed.startsWith(u'[') && close > 0) {
                sections_.push_back(TSection{trimmed.mid(1, close - 1).trimmed(), false, {}});
                sections_.back().lines.push_back(TLine{raw, {}, {}});
                continue;
            }
            TLine line{raw, {}, {}};
            const qsizetype eq = raw.indexOf(u'=');
            if (eq > 0 && !trimmed.startsWith(u';')) {
                line.key = raw.left(eq).trimmed();
                line.value = ValueOfRawText(raw.mid(eq + 1));
            }
            sections_.back().lines.push_back(line);
        }
    }
    loaded_ = true;
}

TIniFile::TSection *TIniFile::FindSection(const QString &name) {
    for (TSection &s : sections_)
        if (!s.header && SameName(s.name, name)) return &s;
    return nullptr;
}

TIniFile::TLine *TIniFile::FindLine(const QString &section, const QString &key) {
    Load();
    TSection *s = FindSection(section);
    if (!s) return nullptr;
    for (TLine &l : s->lines)
        if (!l.key.isEmpty() && SameName(l.key, key)) return &l;
    return nullptr;
}

bool TIniFile::ValueExists(const QString &section, const QString &key) { return FindLine(section, key) != nullptr; }

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) {
    const TLine *l = FindLine(section, key);
    return l ? l->value : def;
}

qint32 TIniFile::ReadInteger(const QString &section, const QString &key, qint32 def) {
    const TLine *l = FindLine(section, key);
    if (!l) return def;
    return DecimalInteger(l->value).value_or(def);
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool def) {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &text) {
    Load();
    const QString value = InCodePage(text);
    const QString line = key + u'=' + value;
    // What a later read of this same object gives must match what a fresh
    // read of the written file gives.
    const QString readBack = ValueOfRawText(value);
    if (TLine *l = FindLine(section, key)) {
        l->text = l->key + u'=' + value;
        l->value = readBack;
    } else {
        TSection *s = FindSection(section);
        if (!s) {
            sections_.push_back(TSection{section, false, {}});
            s = &sections_.back();
            s->lines.push_back(TLine{u'[' + section + u']', {}, {}});
        }
        // New keys go after the section's last key, before trailing blank lines.
        auto at = s->lines.end();
        while (at != s->lines.begin() + 1 && std::prev(at)->text.trimmed().isEmpty()) --at;
        s->lines.insert(at, TLine{line, key, readBack});
    }
    dirty_ = true;
}

void TIniFile::WriteInteger(const QString &section, const QString &key, qint32 value) {
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString &section, const QString &key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::UpdateFile() {
    if (!dirty_) return;
    QString text;
    for (const TSection &s : sections_)
        for (const TLine &l : s.lines) text += l.text + QStringLiteral("\r\n");
    QStringEncoder encoder("windows-1252");
    const QByteArray bytes = encoder.encode(text);
    QFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush())
        throw Exception(QStringLiteral("Datei %1 kann nicht geschrieben werden").arg(path_));
    dirty_ = false;
}
