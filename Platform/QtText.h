#pragma once

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
