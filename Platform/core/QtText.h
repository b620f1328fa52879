#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

// The program keeps text and paths as bytes (UTF-8 where they are text at all); Qt wants QString.
// Bytes that are not valid UTF-8 show as replacement characters but are never lost on our side.
inline QString ToQString(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string ToBytes(const QString& text) {
    return text.toUtf8().toStdString();
}

// A file:// address that carries the path's bytes percent-encoded, so that a name that is not
// UTF-8 reaches the program that opens it unchanged.
inline QByteArray EncodedFileUrl(std::string_view path) {
    return "file://" + QByteArray(path.data(), static_cast<qsizetype>(path.size()))
                           .toPercentEncoding("/!$&'()*+,;=:@~-._");
}
