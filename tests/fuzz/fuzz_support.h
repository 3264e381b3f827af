// Helpers the fuzz targets share: the input as bytes, a scratch folder of
// the process for readers that take a file, and properties that must hold.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline QByteArray Bytes(const uint8_t *data, size_t size) {
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A folder that lives as long as the process, removed at its end; in
// memory where the system has a folder for that, as the readers under test
// write and read a file for every input.
inline QString ScratchPattern(const char *name) {
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    return base + u'/' + QLatin1String(name) + QStringLiteral("-XXXXXX");
}

inline const QString &ScratchFolder() {
    static QTemporaryDir dir(ScratchPattern("artnr-fuzz"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "fuzz: no scratch folder\n");
        std::abort();
    }
    static const QString path = dir.path();
    return path;
}

// Writes the input as the file `name` of the scratch folder; answers its path.
inline QString WriteScratchFile(const QString &name, const QByteArray &bytes) {
    const QString path = QDir(ScratchFolder()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

// A property of the reader that must hold for every input; a violation is
// a finding like a crash.
inline void Require(bool holds, const char *what) {
    if (holds) return;
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

} // namespace fuzz
