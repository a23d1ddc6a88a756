#include "PaperFacts.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "PosterWindow.h"
#include "SheetLayout.h"
#include "core/Numbers.h"
#include "gdi/Picture.h"

namespace layout {

namespace {
// Dark orange: stands out from the dialog's grey and keeps a readable contrast with it,
// apart from the sheet count's red.
const QColor kWarning(176, 84, 0);
// Far beyond any printer, and within what a 64-bit integer holds once rounded.
constexpr double kLargestPpi = 1e12;

bool English(int language) {
  return language == 1;
}
}  // namespace

PaperResolution ResolutionOnPaper(int pictureWidth, int pictureHeight, double posterWidthMm,
                                  double posterHeightMm, bool keepRatio, bool vector) {
  PaperResolution r;
  r.vector = vector;
  if (pictureWidth <= 0 || pictureHeight <= 0) return r;
  if (vector) {
    r.known = true;
    return r;
  }
  if (!(posterWidthMm > 0) || !(posterHeightMm > 0)) return r;
  double coveredW = posterWidthMm, coveredH = posterHeightMm;
  if (keepRatio) {
    // The picture fitted into the poster: it fills one direction, the other keeps its
    // proportions.
    const double scale = std::min(posterWidthMm / pictureWidth, posterHeightMm / pictureHeight);
    coveredW = pictureWidth * scale;
    coveredH = pictureHeight * scale;
  }
  const double ppi = std::min(pictureWidth * 25.4 / coveredW, pictureHeight * 25.4 / coveredH);
  r.known = true;
  r.ppi = platform::Round(std::min(ppi, kLargestPpi));
  return r;
}

PaperResolution ResolutionOnPaper(PosterWindow &host, double posterWidthMm, double posterHeightMm) {
  const platform::Picture &picture = host.PosterPicture();
  return ResolutionOnPaper(picture.Width(), picture.Height(), posterWidthMm, posterHeightMm,
                           host.Poster().KeepRatio, picture.IsVector());
}

QString ResolutionText(int language, const PaperResolution &resolution) {
  if (!resolution.known) return {};
  const QString head =
      English(language) ? QStringLiteral("Resolution : ") : QStringLiteral("Résolution : ");
  if (resolution.vector)
    return head + (English(language) ? QStringLiteral("vector") : QStringLiteral("vectoriel"));
  return head + QString::number(resolution.ppi) +
         (English(language) ? QStringLiteral(" ppi") : QStringLiteral(" ppp"));
}

QString LowResolutionTip(int language) {
  return English(language) ? QStringLiteral("the picture will look pixelated up close")
                           : QStringLiteral("l'image sera visiblement pixelisée de près");
}

void ShowResolution(QLabel *label, int language, const PaperResolution &resolution) {
  if (!label) return;
  const QString text = ResolutionText(language, resolution);
  label->setText(text);
  if (resolution.Low()) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kWarning);
    label->setPalette(palette);
  } else {
    label->setPalette(QPalette());  // back to the window's own colours
  }
  const QString tip = resolution.Low() ? LowResolutionTip(language) : QString();
  label->setToolTip(tip);
  label->setAccessibleName(tip.isEmpty() ? text : text + QStringLiteral(", ") + tip);
}

int64_t FewerSheetsTurned(const platform::PrinterPageMetrics &current,
                          const platform::PrinterPageMetrics &turned, int widthPx, int heightPx,
                          int pixelsPerInch) {
  const int64_t now = SheetGridFor(current, widthPx, heightPx, pixelsPerInch).SheetCount();
  const int64_t other = SheetGridFor(turned, widthPx, heightPx, pixelsPerInch).SheetCount();
  return other < now ? other : 0;
}

QString FewerSheetsText(int language, int64_t sheets, bool landscape, bool twoLines) {
  const QString gap = twoLines ? QStringLiteral("\n") : QStringLiteral(" ");
  if (English(language))
    return QStringLiteral("%1 %2%4in %3")
        .arg(sheets)
        .arg(sheets == 1 ? QStringLiteral("sheet") : QStringLiteral("sheets"))
        .arg(landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"), gap);
  return QStringLiteral("%1 %2%4en %3")
      .arg(sheets)
      .arg(sheets == 1 ? QStringLiteral("feuille") : QStringLiteral("feuilles"))
      .arg(landscape ? QStringLiteral("paysage") : QStringLiteral("portrait"), gap);
}

void ShowFewerSheetsHint(QAbstractButton *button, int language, int widthPx, int heightPx,
                         int pixelsPerInch) {
  if (!button) return;
  platform::Printer &printer = platform::ThePrinter();
  const bool landscape = printer.IsLandscape();
  int64_t sheets = 0;
  try {
    const platform::PrinterPageMetrics current = printer.PageMetrics();
    const platform::PrinterPageMetrics turned = printer.Backend().Metrics(
        landscape ? platform::Orientation::Portrait : platform::Orientation::Landscape);
    if (turned.printableWidth > 0 && turned.printableHeight > 0 && turned.dpiX > 0 &&
        turned.dpiY > 0)
      sheets = FewerSheetsTurned(current, turned, widthPx, heightPx, pixelsPerInch);
  } catch (const platform::Failure &) {
    sheets = 0;
  }
  if (sheets == 0) {
    button->hide();
    return;
  }
  const QString text = FewerSheetsText(language, sheets, !landscape);
  // On two lines: the hint sits in the dialog's narrow right-hand column.
  button->setText(FewerSheetsText(language, sheets, !landscape, true));
  const QString action = English(language) ? (landscape ? QStringLiteral("switch to portrait")
                                                        : QStringLiteral("switch to landscape"))
                                           : (landscape ? QStringLiteral("passer en portrait")
                                                        : QStringLiteral("passer en paysage"));
  button->setToolTip(action);
  button->setAccessibleName(text + QStringLiteral(", ") + action);
  button->show();
}

}  // namespace layout
