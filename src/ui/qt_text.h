#pragma once

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace quantaline {

inline QString from_utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A path as the engine opens it: UTF-8 on Windows, the file system's own bytes elsewhere.
inline std::string path_bytes(const QString& path) {
#ifdef Q_OS_WIN
    return path.toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

} // namespace quantaline
