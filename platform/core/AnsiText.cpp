#include "AnsiText.h"

#include <QStringDecoder>

namespace platform {

namespace {
// Windows-1252 differs from Latin-1 only in 0x80..0x9F. Qt's converters offer no 1252
// without ICU, and this small table is the whole of the difference. Zero marks the five
// undefined bytes, which decode to the control character of the same value.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88..8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98..9F
};
}  // namespace

std::optional<QByteArray> ToWindows1252(const QString &text) {
  QByteArray out;
  out.reserve(text.size());
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
      out.append(static_cast<char>(u));
      continue;
    }
    int found = -1;
    for (int i = 0; i < 32; ++i)
      if (kHigh[i] == u && u != 0) found = i;
    if (found < 0) return std::nullopt;
    out.append(static_cast<char>(0x80 + found));
  }
  return out;
}

QString FromWindows1252(const QByteArray &bytes) {
  QString out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80] != 0)
      out.append(QChar(kHigh[b - 0x80]));
    else
      out.append(QChar(b));
  }
  return out;
}

QByteArray EncodeAnsiLine(const QString &text) {
  if (auto ansi = ToWindows1252(text)) return *ansi;
  return text.toUtf8();
}

QString DecodeAnsiLine(const QByteArray &bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError()) return text;
  return FromWindows1252(bytes);
}

}  // namespace platform
