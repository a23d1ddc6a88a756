#pragma once
// Text lines "in the system's ANSI code page". A line is written in Windows-1252 when
// every character has a place there, in UTF-8 otherwise; a line is read as UTF-8 when it
// is valid UTF-8, else as Windows-1252. So names with accents round-trip here, and files
// made on Windows read correctly.
#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

std::optional<QByteArray> ToWindows1252(const QString &text);
QString FromWindows1252(const QByteArray &bytes);

QByteArray EncodeAnsiLine(const QString &text);
QString DecodeAnsiLine(const QByteArray &bytes);

}  // namespace platform
