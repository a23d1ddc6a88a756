#include "SheetLabels.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "core/Numbers.h"
#include "gdi/Canvas.h"

namespace layout {

using platform::Round;

namespace {

bool English(int language) {
  return language == 1;
}

int MmToDots(double mm, int dpi) {
  return int(Round(mm * dpi / 25.4));
}

// Millimetres with a decimal comma, and no decimal when there is none to show.
QString MmText(double mm) {
  const double tenths = double(Round(mm * 10));
  const bool whole = std::fmod(tenths, 10.0) == 0.0;
  return QString::number(tenths / 10.0, 'f', whole ? 0 : 1).replace(u'.', u',');
}

QFont SmallPrint(int pixels, bool bold = false) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(std::max(1, pixels));
  font.setBold(bold);
  return font;
}

QSize TextSize(const QFontMetrics &metrics, const QString &text) {
  return {metrics.horizontalAdvance(text), metrics.height()};
}

// The text's box inside `area`, `gap` dots from its left (or, turned, its bottom) edge
// and centred across, or an empty box when the area does not hold it.
QRect Fit(const QRect &area, QSize text, int gap, bool turned) {
  const int along = text.width(), across = text.height();
  if (!turned) {
    if (area.width() < along + 2 * gap || area.height() < across + 2 * gap) return {};
    return {area.left() + gap, area.top() + (area.height() - across) / 2, along, across};
  }
  if (area.width() < across + 2 * gap || area.height() < along + 2 * gap) return {};
  return {area.left() + (area.width() - across) / 2, area.bottom() + 1 - gap - along, across,
          along};
}

}  // namespace

std::span<const NamedPaper> NamedPapers() {
  static const NamedPaper kPapers[] = {{"A3", 297, 420},
                                       {"A4", 210, 297},
                                       {"A5", 148, 210},
                                       {"Letter", 215.9, 279.4},
                                       {"Legal", 215.9, 355.6}};
  return kPapers;
}

std::optional<QSizeF> PaperSizeOf(const QString &text) {
  const QString t = text.trimmed();
  for (const NamedPaper &p : NamedPapers())
    if (t.compare(QLatin1String(p.name), Qt::CaseInsensitive) == 0)
      return QSizeF(p.widthMm, p.heightMm);
  static const QRegularExpression custom(
      QStringLiteral("^([0-9]+(?:[.,][0-9]+)?) *[x×] *([0-9]+(?:[.,][0-9]+)?) *mm$"),
      QRegularExpression::CaseInsensitiveOption);
  const auto m = custom.match(t);
  if (!m.hasMatch()) return std::nullopt;
  const double w = m.captured(1).replace(u',', u'.').toDouble();
  const double h = m.captured(2).replace(u',', u'.').toDouble();
  if (!(w >= 10 && w <= 10000 && h >= 10 && h <= 10000)) return std::nullopt;
  return QSizeF(w, h);
}

QString PaperDescription(int language, double widthMm, double heightMm) {
  for (const NamedPaper &p : NamedPapers()) {
    // Printers give their paper in whole dots: a millimetre either way is the same paper.
    const bool upright = std::abs(widthMm - p.widthMm) < 1 && std::abs(heightMm - p.heightMm) < 1;
    const bool turned = std::abs(widthMm - p.heightMm) < 1 && std::abs(heightMm - p.widthMm) < 1;
    if (upright || turned)
      return QLatin1String(p.name) + u' ' +
             (turned ? (English(language) ? QStringLiteral("landscape") : QStringLiteral("paysage"))
                     : QStringLiteral("portrait"));
  }
  return QStringLiteral("%1 × %2 mm").arg(MmText(widthMm), MmText(heightMm));
}

QString SheetLabelText(int language, int64_t number, int64_t column, int64_t row) {
  return (English(language) ? QStringLiteral("%1 — column %2, row %3")
                            : QStringLiteral("%1 — colonne %2, rangée %3"))
      .arg(number)
      .arg(column)
      .arg(row);
}

QRect VisiblePartOf(const platform::PrinterPageMetrics &page, const SheetGrid &grid, int64_t column,
                    int64_t row) {
  const SheetPart part = SheetPartOf(page, grid, column, row);
  int64_t w = part.x1 - part.x0, h = part.y1 - part.y0;
  if (grid.overlapX > 0 && column < grid.columns) w = std::min(w, grid.stepX);
  if (grid.overlapY > 0 && row < grid.rows) h = std::min(h, grid.stepY);
  return {0, 0, int(w), int(h)};
}

int SmallPrintDots(const platform::PrinterPageMetrics &page) {
  return std::max(6, MmToDots(2.5, std::min(page.dpiX, page.dpiY)));
}

SheetLabelPlace SheetLabelPlaceOf(const platform::PrinterPageMetrics &page, const SheetGrid &grid,
                                  int64_t column, int64_t row, QSize fullText, QSize numberText,
                                  int gap) {
  const SheetPart part = SheetPartOf(page, grid, column, row);
  const int w = int(part.x1 - part.x0), h = int(part.y1 - part.y0);
  const int pw = page.printableWidth, ph = page.printableHeight;
  struct Area {
    SheetLabelPlace::Where where;
    QRect rect;
    bool turned;
  };
  // A strip begins a dot after the lighter line that marks it.
  const bool bottomStrip = grid.overlapY > 0 && row < grid.rows && grid.stepY + 1 < h;
  const bool rightStrip = grid.overlapX > 0 && column < grid.columns && grid.stepX + 1 < w;
  const int sy = int(grid.stepY) + 1, sx = int(grid.stepX) + 1;
  const Area areas[] = {
      {SheetLabelPlace::BottomStrip, bottomStrip ? QRect(0, sy, w, h - sy) : QRect(), false},
      {SheetLabelPlace::RightStrip, rightStrip ? QRect(sx, 0, w - sx, h) : QRect(), true},
      {SheetLabelPlace::BelowPart, h < ph ? QRect(0, h, pw, ph - h) : QRect(), false},
      {SheetLabelPlace::RightOfPart, w < pw ? QRect(w, 0, pw - w, ph) : QRect(), true},
  };
  for (const QSize text : {fullText, numberText}) {
    for (const Area &a : areas) {
      if (a.rect.isEmpty()) continue;
      const QRect box = Fit(a.rect, text, gap, a.turned);
      if (box.isEmpty()) continue;
      SheetLabelPlace place;
      place.where = a.where;
      place.box = box;
      place.turned = a.turned;
      place.numberOnly = text == numberText && text != fullText;
      return place;
    }
  }
  return {};
}

void DrawSheetLabel(platform::Canvas &canvas, const platform::PrinterPageMetrics &page,
                    const SheetGrid &grid, int64_t column, int64_t row, int language) {
  QPainter &painter = canvas.Painter();
  painter.save();
  painter.setFont(SmallPrint(SmallPrintDots(page)));
  const QFontMetrics metrics = painter.fontMetrics();
  const int64_t number = grid.SheetNumber(column, row);
  const QString full = SheetLabelText(language, number, column, row);
  const QString alone = QString::number(number);
  const int gap = std::max(1, MmToDots(1.0, std::min(page.dpiX, page.dpiY)));
  const SheetLabelPlace place = SheetLabelPlaceOf(page, grid, column, row, TextSize(metrics, full),
                                                  TextSize(metrics, alone), gap);
  if (place.where != SheetLabelPlace::Nowhere) {
    // On a white ground, so that it reads over the picture in a glue strip; clipped to
    // its box, so that no glyph's edge reaches the visible poster.
    painter.setClipRect(place.box);
    painter.fillRect(place.box, Qt::white);
    painter.setPen(Qt::black);
    const QString &text = place.numberOnly ? alone : full;
    if (place.turned) {
      painter.translate(place.box.left(), place.box.bottom() + 1);
      painter.rotate(-90);
      painter.drawText(QRect(0, 0, place.box.height(), place.box.width()),
                       Qt::AlignLeft | Qt::AlignVCenter, text);
    } else {
      painter.drawText(place.box, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
  }
  painter.restore();
}

void DrawAssemblyMap(platform::Canvas &canvas, const platform::PrinterPageMetrics &page,
                     const SheetGrid &grid, const AssemblyMapFacts &facts) {
  const bool english = English(facts.language);
  const int dpi = std::min(page.dpiX, page.dpiY);
  const int pw = page.printableWidth, ph = page.printableHeight;
  const int margin = MmToDots(5, dpi);
  QPainter &painter = canvas.Painter();
  painter.save();
  painter.setPen(Qt::black);

  // The facts, one to a line.
  const double paperW = page.physicalWidth * 25.4 / page.dpiX;
  const double paperH = page.physicalHeight * 25.4 / page.dpiY;
  const QString lines[] = {
      QStringLiteral("%1 : %2 × %3 mm")
          .arg(english ? QStringLiteral("Poster") : QStringLiteral("Affiche"),
               MmText(facts.posterWidthMm), MmText(facts.posterHeightMm)),
      QStringLiteral("%1 : %2").arg(english ? QStringLiteral("Paper") : QStringLiteral("Papier"),
                                    PaperDescription(facts.language, paperW, paperH)),
      (english ? QStringLiteral("%1 sheets : %2 columns × %3 rows")
               : QStringLiteral("%1 feuilles : %2 colonnes × %3 rangées"))
          .arg(grid.SheetCount())
          .arg(grid.columns)
          .arg(grid.rows),
  };
  int y = margin;
  painter.setFont(SmallPrint(MmToDots(6, dpi), true));
  const QString title =
      english ? QStringLiteral("Assembly map") : QStringLiteral("Plan d'assemblage");
  painter.drawText(QRect(margin, y, pw - 2 * margin, painter.fontMetrics().height()),
                   Qt::AlignLeft | Qt::AlignTop, title);
  y += painter.fontMetrics().height() + MmToDots(2, dpi);
  painter.setFont(SmallPrint(MmToDots(4, dpi)));
  for (const QString &line : lines) {
    painter.drawText(QRect(margin, y, pw - 2 * margin, painter.fontMetrics().height()),
                     Qt::AlignLeft | Qt::AlignTop, line);
    y += painter.fontMetrics().height();
  }
  y += MmToDots(6, dpi);

  // The poster as large as the rest of the page holds, cut where the sheets join.
  const int64_t W = std::max<int64_t>(1, grid.posterWidthDots);
  const int64_t H = std::max<int64_t>(1, grid.posterHeightDots);
  const int areaW = pw - 2 * margin, areaH = ph - y - margin;
  if (areaW > 0 && areaH > 0) {
    const double scale = std::min(double(areaW) / W, double(areaH) / H);
    const int left = margin + int(Round((areaW - W * scale) / 2));
    const int top = y;
    const int64_t stepX = grid.stepX > 0 ? grid.stepX : pw;
    const int64_t stepY = grid.stepY > 0 ? grid.stepY : ph;
    // Each sheet's visible part ends where the next one's begins, so the cells tile.
    auto edgeX = [&](int64_t c) {
      return left + int(Round(double(std::min(W, (c - 1) * stepX)) * scale));
    };
    auto edgeY = [&](int64_t r) {
      return top + int(Round(double(std::min(H, (r - 1) * stepY)) * scale));
    };
    const int line = std::max(1, MmToDots(0.25, dpi));
    painter.setPen(QPen(Qt::black, line));
    painter.setBrush(Qt::NoBrush);
    for (int64_t c = 1; c <= grid.columns; ++c) {
      const int x0 = edgeX(c), x1 = c == grid.columns ? edgeX(grid.columns + 1) : edgeX(c + 1);
      for (int64_t r = 1; r <= grid.rows; ++r) {
        const int y0 = edgeY(r), y1 = r == grid.rows ? edgeY(grid.rows + 1) : edgeY(r + 1);
        const QRect cell(x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0));
        painter.drawRect(cell);
        const int size =
            std::clamp(std::min(cell.width(), cell.height()) / 3, 1, MmToDots(20, dpi));
        painter.setFont(SmallPrint(size, true));
        painter.drawText(cell, Qt::AlignCenter, QString::number(grid.SheetNumber(c, r)));
      }
    }
    painter.setPen(QPen(Qt::black, 3 * line));
    painter.drawRect(QRect(left, top, int(Round(W * scale)), int(Round(H * scale))));
  }
  painter.restore();
}

}  // namespace layout
