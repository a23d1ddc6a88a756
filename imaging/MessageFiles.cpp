#include "MessageFiles.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <cstring>
#include <optional>
#include <vector>

#include "core/AnsiText.h"
#include "core/Errors.h"
#include "win32/Handles.h"

namespace imaging {

namespace {

int ToInteger(const QString &text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (!ok)
    throw platform::ConvertError(
        QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(text));
  return value;
}

void ApplyStyle(const QString &style, TFont &font) {
  font.Bold = style.size() > 0 && style[0] == u'1';
  font.Italic = style.size() > 1 && style[1] == u'1';
  font.Underline = style.size() > 2 && style[2] == u'1';
  font.StrikeOut = style.size() > 3 && style[3] == u'1';
}

// The characters between the first `start` and the first `end`; nullopt when either tag is
// missing. An end tag before its start tag gives an empty value.
std::optional<QString> Between(const QString &text, const QString &start, const QString &end) {
  const int from = text.indexOf(start);
  const int to = text.indexOf(end);
  if (from < 0 || to < 0) return std::nullopt;
  const int valueStart = from + start.size();
  if (to < valueStart) return QString();
  return text.mid(valueStart, to - valueStart);
}

}  // namespace

QColor FromColorRef(int color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

QFont TFont::ToQFont() const {
  QFont font(Name);
  if (Height < 0)
    font.setPixelSize(-Height);
  else if (Height > 0)
    font.setPixelSize(Height);
  else
    font.setPointSize(std::max(Size, 1));
  font.setBold(Bold);
  font.setItalic(Italic);
  font.setUnderline(Underline);
  font.setStrikeOut(StrikeOut);
  return font;
}

bool ParseTickerFile(const QString &name, TFont &font, int &speed, int &backgroundColor,
                     QString &message) {
  QFile file(name);
  if (!file.exists() || !file.open(QIODevice::ReadOnly)) return false;
  const QString text = platform::FromWindows1252(file.readAll());
  // Each value: missing tags give the default, an empty value leaves the target alone.
  auto take = [&](const char *start, const char *end, auto onValue, auto onMissing) {
    const auto value = Between(text, QString::fromLatin1(start), QString::fromLatin1(end));
    if (!value)
      onMissing();
    else if (!value->isEmpty())
      onValue(*value);
  };
  take(
      "/fc|", "/fh|", [&](const QString &v) { font.Color = ToInteger(v); },
      [&] { font.Color = 255; });
  take(
      "/fh|", "/fn|", [&](const QString &v) { font.Height = ToInteger(v); },
      [&] { font.Height = -13; });
  take(
      "/fn|", "/fs|", [&](const QString &v) { font.Name = v; },
      [&] { font.Name = QStringLiteral("SYSTEM"); });
  take(
      "/fs|", "/ft|", [&](const QString &v) { font.Size = ToInteger(v); }, [] {});
  take(
      "/ft|", "/bc|", [&](const QString &v) { ApplyStyle(v, font); }, [] {});
  take(
      "/bc|", "/sp|", [&](const QString &v) { backgroundColor = ToInteger(v); },
      [&] { backgroundColor = 128; });
  take(
      "/sp|", "/sm|", [&](const QString &v) { speed = ToInteger(v); }, [&] { speed = 1; });
  take(
      "/sm|", "/eo|", [&](const QString &v) { message = v; },
      [&] { message = QStringLiteral(" Invallid message format ! "); });
  return true;
}

bool ParseCreditsFile(const QString &name, TFont &font, int &speed, int &backgroundColor,
                      QStringList &lines) {
  lines.clear();
  QFile file(name);
  if (!file.exists() || !file.open(QIODevice::ReadOnly)) return false;
  QString text = platform::FromWindows1252(file.read(65527));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  QStringList all = text.split(u'\n');
  if (!all.isEmpty() && all.last().isEmpty() && text.endsWith(u'\n')) all.removeLast();
  if (all.size() < 8)
    throw platform::Failure(QStringLiteral("Indice de liste hors limites (%1)").arg(all.size()));
  font.Color = ToInteger(all[1]);
  font.Height = ToInteger(all[2]);
  font.Name = all[3];
  font.Size = ToInteger(all[4]);
  ApplyStyle(all[5], font);
  backgroundColor = ToInteger(all[6]);
  speed = ToInteger(all[7]);
  for (int i = 8; i < all.size(); ++i) lines.append(all[i]);
  return true;
}

bool LoadResourceBitmap(const QString &moduleName, const QString &resourceName, HWND window,
                        TBitmap &bitmap) {
  // Only the program's own bitmaps exist; libraries carry none.
  if (!moduleName.isEmpty()) return false;
  if (QDir::searchPaths(QStringLiteral("bitmaps")).isEmpty())
    QDir::setSearchPaths(QStringLiteral("bitmaps"), {QStringLiteral(":/bitmaps")});
  bool numeric = false;
  const uint number = resourceName.toUInt(&numeric);
  const QString wanted =
      (numeric ? QString::number(number) : resourceName) + QStringLiteral(".bmp");
  QString path;
  for (const QString &folder : QDir::searchPaths(QStringLiteral("bitmaps"))) {
    for (const QString &entry : QDir(folder).entryList(QDir::Files))
      if (entry.compare(wanted, Qt::CaseInsensitive) == 0) path = QDir(folder).filePath(entry);
    if (!path.isEmpty()) break;
  }
  QFile file(path);
  if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) return false;
  QByteArray bytes = file.readAll();
  if (bytes.startsWith("BM")) bytes.remove(0, 14);  // a resource has no file header
  // A fresh buffer, so the header is aligned as the GDI expects.
  const std::vector<uint8_t> buffer(bytes.begin(), bytes.end());
  const auto *data = reinterpret_cast<const char *>(buffer.data());
  const auto size = int64_t(buffer.size());
  if (size < 40) return false;
  BITMAPINFOHEADER header;
  std::memcpy(&header, data, sizeof header);
  if (header.biSize != 40 || header.biWidth <= 0 || header.biHeight == 0) return false;
  int entries = int(header.biClrUsed);
  if (entries == 0 && header.biBitCount <= 8) entries = 1 << header.biBitCount;
  if (entries < 0 || entries > 256) return false;
  const int64_t rowBytes = ((int64_t(header.biWidth) * header.biBitCount + 31) / 32) * 4;
  const int64_t needed = 40 + 4 * int64_t(entries) + rowBytes * std::abs(int64_t(header.biHeight));
  if (header.biCompression == BI_RGB && size < needed) return false;
  if ((header.biCompression == BI_RLE4 || header.biCompression == BI_RLE8) &&
      size < 40 + 4 * int64_t(entries) + int64_t(header.biSizeImage))
    return false;
  const auto *info = reinterpret_cast<const BITMAPINFO *>(data);
  const auto *table = reinterpret_cast<const RGBQUAD *>(data + 40);
  HPALETTE palette = nullptr;
  if (entries > 0) {
    std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * size_t(entries));
    auto *log = reinterpret_cast<LOGPALETTE *>(buffer.data());
    log->palVersion = 0x300;
    log->palNumEntries = WORD(entries);
    for (int i = 0; i < entries; ++i)
      log->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    palette = CreatePalette(log);
  }
  HDC dc = GetDC(window);
  HPALETTE previous = palette ? SelectPalette(dc, palette, FALSE) : nullptr;
  if (palette) RealizePalette(dc);
  HBITMAP handle =
      CreateDIBitmap(dc, &header, CBM_INIT, data + 40 + 4 * entries, info, DIB_RGB_COLORS);
  if (previous) SelectPalette(dc, previous, FALSE);
  ReleaseDC(window, dc);
  if (handle == nullptr) {
    if (palette) DeleteObject(palette);
    return false;
  }
  bitmap.SetHandle(handle);
  bitmap.SetPalette(palette);
  return true;
}

void DrawShadowText(int x, int y, int angle, const TFont *font, QPainter *canvas, bool shadow,
                    bool transparent, int shadowColor, const QString &text) {
  if (canvas == nullptr || font == nullptr) return;
  canvas->save();
  const QFont qfont = font->ToQFont();
  canvas->setFont(qfont);
  const QFontMetrics metrics(qfont);
  auto draw = [&](int atX, int atY, const QColor &color) {
    canvas->save();
    canvas->translate(atX, atY);
    canvas->rotate(-angle);  // the escapement turns counter-clockwise
    if (!transparent)
      canvas->fillRect(QRect(0, 0, metrics.horizontalAdvance(text), metrics.height()),
                       canvas->background());
    canvas->setPen(color);
    canvas->drawText(QPoint(0, metrics.ascent()), text);
    canvas->restore();
  };
  if (shadow) draw(x + 2, y + 2, FromColorRef(shadowColor));
  draw(x, y, FromColorRef(font->Color));
  canvas->restore();
}

void ApplyBlitMode(int bitsPerPixel, TBlitMode mode, HDC canvas) {
  int stretch = COLORONCOLOR;
  if (bitsPerPixel < 2) {
    if (mode == sDark) stretch = BLACKONWHITE;
    if (mode == sLightest) stretch = WHITEONBLACK;
  }
  SetStretchBltMode(canvas, stretch);
}

}  // namespace imaging
