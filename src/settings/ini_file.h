// The suite's INI files (options file, alternative currency file): read once
// on first access, kept in memory, written back whole when released.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class TIniFile {
public:
    explicit TIniFile(QString path);
    // Writes back when something was written; a failure here is swallowed
    // because a destructor must not throw. Callers that must see the failure
    // call UpdateFile first.
    ~TIniFile();
    TIniFile(const TIniFile &) = delete;
    TIniFile &operator=(const TIniFile &) = delete;

    const QString &FileName() const { return path_; }

    QString ReadString(const QString &section, const QString &key, const QString &def);
    // A value that is not a decimal integer reads as the default.
    qint32 ReadInteger(const QString &section, const QString &key, qint32 def);
    bool ReadBool(const QString &section, const QString &key, bool def);
    bool ValueExists(const QString &section, const QString &key);

    // The file is Windows-1252: a character it cannot hold is stored as the
    // encoder's replacement, and later reads give what the file will hold.
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, qint32 value);
    void WriteBool(const QString &section, const QString &key, bool value);

    // Writes the whole file if something was written since the last write;
    // raises Exception when the file cannot be written.
    void UpdateFile();

    // The value part of a "key=value" line as a read gives it.
    static QString ValueOfRawText(const QString &afterEquals);

private:
    struct TLine {
        QString text;  // the line as it stands in the file
        QString key;   // empty for comments, blank lines and lines without "="
        QString value;
    };
    struct TSection {
        QString name;
        bool header = false;  // the lines before the first section
        std::vector<TLine> lines;
    };

    void Load();
    TSection *FindSection(const QString &name);
    TLine *FindLine(const QString &section, const QString &key);

    QString path_;
    bool loaded_ = false;
    bool dirty_ = false;
    std::vector<TSection> sections_;
};
