#include "VectorDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>

#include "ImageMemory.h"
#include "core/Errors.h"

namespace platform {

namespace {

// A part is rendered in bands of at most this many pixels, so drawing a whole sheet at
// 1200 dots per inch holds a few tens of megabytes, not the sheet's gigabyte.
constexpr qint64 kBandPixels = qint64{8} << 20;
// Files larger than this are refused before they are read into memory.
constexpr qint64 kLargestSvgFile = qint64{64} << 20;

QString PdfError(const QString &path, const QString &why) {
  return QStringLiteral("Document PDF illisible : %1 (%2)").arg(path, why);
}
QString SvgError(const QString &path, const QString &why) {
  return QStringLiteral("Dessin SVG illisible : %1 (%2)").arg(path, why);
}

QSize CheckedFrame(double width, double height, const QString &path, bool pdf) {
  // Points (PDF) or SVG user units become pixels at 96 an inch; a size no poster can have
  // is refused here rather than met as a failed allocation later.
  const auto fits = [](double v) { return std::isfinite(v) && v >= 0.5 && v <= 1e6; };
  if (!fits(width) || !fits(height))
    throw Failure(pdf ? PdfError(path, QStringLiteral("taille de page incorrecte"))
                      : SvgError(path, QStringLiteral("taille incorrecte")));
  return {std::max(1, int(std::lround(width))), std::max(1, int(std::lround(height)))};
}

// The band of rows [top, top + rows) of the document stretched to `scaledSize`, columns
// [left, left + width), on white.
QImage RenderBand(const Picture::DocumentData &document, const QSize &scaledSize,
                  const QRect &part) {
  QImage band;
  if (document.type == Picture::DocumentData::Type::Pdf) {
    QPdfDocumentRenderOptions options;
    options.setScaledSize(scaledSize);
    // Qt's renderer scales by (clip width - 1) / image width (and likewise in height):
    // a clip one pixel wider and taller than the image gives the exact scale, so each part
    // is the very pixels of a whole-page render.
    options.setScaledClipRect(QRect(part.topLeft(), part.size() + QSize(1, 1)));
    band = document.pdf->render(0, part.size(), options);
    if (band.isNull()) return band;
    QPainter white(&band);
    white.setCompositionMode(QPainter::CompositionMode_DestinationOver);
    white.fillRect(band.rect(), Qt::white);  // a page is paper: its transparency is white
  } else {
    band = QImage(part.size(), QImage::Format_RGB32);
    if (band.isNull()) return band;
    band.fill(Qt::white);
    QPainter painter(&band);
    painter.translate(-part.topLeft());
    document.svg->render(&painter, QRectF(QPointF(0, 0), QSizeF(scaledSize)));
  }
  return band;
}

}  // namespace

Picture::DocumentData LoadPdfDocument(const QString &path) {
  if (!QFileInfo(path).isFile()) throw Failure(CannotOpenText(path));
  auto pdf = std::make_shared<QPdfDocument>();
  switch (pdf->load(path)) {
    case QPdfDocument::Error::None:
      break;
    case QPdfDocument::Error::FileNotFound:
      throw Failure(CannotOpenText(path));
    case QPdfDocument::Error::IncorrectPassword:
      throw Failure(PdfError(path, QStringLiteral("protégé par un mot de passe")));
    case QPdfDocument::Error::UnsupportedSecurityScheme:
      throw Failure(PdfError(path, QStringLiteral("protection non prise en charge")));
    default:
      throw Failure(PdfError(path, QStringLiteral("fichier endommagé ou d'un autre format")));
  }
  if (pdf->status() != QPdfDocument::Status::Ready || pdf->pageCount() < 1)
    throw Failure(PdfError(path, QStringLiteral("aucune page")));
  const QSizeF points = pdf->pagePointSize(0);
  Picture::DocumentData document;
  document.type = Picture::DocumentData::Type::Pdf;
  document.frame = CheckedFrame(points.width() * 96 / 72, points.height() * 96 / 72, path, true);
  document.pdf = std::move(pdf);
  return document;
}

Picture::DocumentData LoadSvgDocument(const QString &path) {
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
    throw Failure(CannotOpenText(path));
  if (file.size() > kLargestSvgFile)
    throw Failure(SvgError(path, QStringLiteral("fichier trop grand")));
  const QByteArray bytes = file.readAll();
  // The drawing library shows what it could read of a cut or broken file; a damaged
  // drawing is refused whole instead, by reading it through once as XML.
  QXmlStreamReader xml(bytes);
  bool rootSeen = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement() && !rootSeen) {
      rootSeen = true;
      if (xml.name() != u"svg") throw Failure(SvgError(path, QStringLiteral("pas un dessin SVG")));
    }
  }
  if (xml.hasError())
    throw Failure(SvgError(path, QStringLiteral("XML incorrect à la ligne %1 : %2")
                                     .arg(xml.lineNumber())
                                     .arg(xml.errorString())));
  if (!rootSeen) throw Failure(SvgError(path, QStringLiteral("pas un dessin SVG")));
  auto svg = std::make_shared<QSvgRenderer>();
  if (!svg->load(bytes) || !svg->isValid())
    throw Failure(SvgError(path, QStringLiteral("dessin incorrect")));
  svg->setAspectRatioMode(Qt::IgnoreAspectRatio);  // stretched into its target, as a metafile
  const QSizeF size = svg->defaultSize();
  Picture::DocumentData document;
  document.type = Picture::DocumentData::Type::Svg;
  document.frame = CheckedFrame(size.width(), size.height(), path, false);
  document.svg = std::move(svg);
  return document;
}

QImage RenderDocumentPart(const Picture::DocumentData &document, const QSize &scaledSize,
                          const QRect &part) {
  const QRect visible = part & QRect(QPoint(0, 0), scaledSize);
  if (visible.isEmpty()) return {};
  RaiseImageMemoryLimit();
  CheckImageFits(visible.width(), visible.height(), 32, QStringLiteral("le dessin"));
  QImage image = RenderBand(document, scaledSize, visible);
  if (image.isNull()) throw Failure(QStringLiteral("Mémoire insuffisante pour le dessin"));
  return image;
}

void DrawDocument(const Picture::DocumentData &document, QPainter &painter, const QRect &target) {
  if (target.isEmpty() || !painter.isActive()) return;
  if (document.type == Picture::DocumentData::Type::Svg) {
    // Played as vectors onto the painter, within its clip: sharp at any resolution, and
    // a PDF printer keeps them as vectors.
    painter.save();
    document.svg->render(&painter, QRectF(target));
    painter.restore();
    return;
  }
  const QTransform toDevice = painter.deviceTransform();
  // Only what can be seen is rendered, at the device's own resolution: the target's part
  // inside the device and inside the painter's clip.
  const QRect scaled = toDevice.mapRect(QRectF(target)).toAlignedRect();
  QRect visible = scaled & QRect(0, 0, painter.device()->width(), painter.device()->height());
  if (painter.hasClipping())
    visible &= toDevice.mapRect(painter.clipBoundingRect()).toAlignedRect();
  if (visible.isEmpty()) return;
  const QRect part = visible.translated(-scaled.topLeft());
  const int bandRows = int(std::clamp<qint64>(kBandPixels / part.width(), 1, part.height()));
  painter.save();
  painter.resetTransform();
  for (int row = 0; row < part.height(); row += bandRows) {
    const QRect band(part.left(), part.top() + row, part.width(),
                     std::min(bandRows, part.height() - row));
    const QImage pixels = RenderDocumentPart(document, scaled.size(), band);
    painter.drawImage(scaled.topLeft() + band.topLeft(), pixels);
  }
  painter.restore();
}

}  // namespace platform
