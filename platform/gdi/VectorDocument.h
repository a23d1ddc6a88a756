#pragma once
// Vector pictures from documents: the first page of a PDF file and an SVG drawing. Like a
// metafile they have no pixels of their own: each drawing renders them at the size and
// resolution of its target, and only the part of the target that will be seen, so a poster
// prints sharp on every sheet while memory holds at most one sheet's part.
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>

#include "Picture.h"

class QPainter;
class QPdfDocument;
class QSvgRenderer;

namespace platform {

struct Picture::DocumentData {
  enum class Type { Pdf, Svg };
  Type type = Type::Pdf;
  QSize frame;  // size at screen resolution (96 pixels per inch)
  // Read once and shared by the copies of the picture: drawing does not change them.
  std::shared_ptr<QPdfDocument> pdf;
  std::shared_ptr<QSvgRenderer> svg;
};

// Reads the first page of a PDF file; raises Failure with a French text for a file that is
// not a PDF, is damaged, is protected by a password or has no page.
Picture::DocumentData LoadPdfDocument(const QString &path);
// Reads an SVG drawing; raises Failure for a file that is not well-formed SVG or has no size.
Picture::DocumentData LoadSvgDocument(const QString &path);

// Draws the document stretched into `target`, rendering only the part inside the painter's
// clip and its device, at the device's resolution.
void DrawDocument(const Picture::DocumentData &document, QPainter &painter, const QRect &target);

// The pixels of the part `part` (device pixels, relative to the target's top-left corner)
// of the document stretched to `scaledSize`, on white: what DrawDocument puts there.
QImage RenderDocumentPart(const Picture::DocumentData &document, const QSize &scaledSize,
                          const QRect &part);

}  // namespace platform
