#include "Picture.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include "ImageMemory.h"
#include "Metafile.h"
#include "VectorDocument.h"
#include "core/Errors.h"
#include "core/Paths.h"
#include "core/PictureFormats.h"

namespace platform {

Picture::Picture() = default;
Picture::~Picture() = default;
Picture::Picture(Picture &&) noexcept = default;
Picture &Picture::operator=(Picture &&) noexcept = default;

Picture::Picture(const Picture &other)
    : kind_(other.kind_), bitmap_(other.bitmap_.copy()), bitsPerPixel_(other.bitsPerPixel_) {
  if (other.metafile_) metafile_ = std::make_unique<MetafileData>(*other.metafile_);
  if (other.document_) document_ = std::make_unique<DocumentData>(*other.document_);
}

Picture &Picture::operator=(const Picture &other) {
  if (this != &other) {
    Picture copy(other);
    *this = std::move(copy);
  }
  return *this;
}

namespace {

QString UnreadableText(const QString &path, const QString &why) {
  return why.isEmpty() ? QStringLiteral("Image illisible : %1").arg(path)
                       : QStringLiteral("Image illisible : %1 (%2)").arg(path, why);
}

uint32_t Le32(const QByteArray &b, int at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
         uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t Le16(const QByteArray &b, int at) {
  return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

// The depth and size a bitmap file declares, read before decoding so an oversized
// picture is refused with its own message rather than an allocation failure.
struct BmpHeader {
  int width = 0, height = 0, bits = 0;
};

BmpHeader ReadBmpHeader(const QByteArray &head, qint64 fileSize, const QString &path) {
  if (head.size() < 26 || head[0] != 'B' || head[1] != 'M')
    throw Failure(UnreadableText(path, QStringLiteral("pas un fichier bitmap")));
  const uint32_t infoSize = Le32(head, 14);
  BmpHeader h;
  if (infoSize == 12) {  // the old core header: 16-bit sizes
    h.width = Le16(head, 18);
    h.height = Le16(head, 20);
    h.bits = Le16(head, 24);
  } else if (infoSize >= 40 && head.size() >= 30) {
    h.width = int32_t(Le32(head, 18));
    const int32_t height = int32_t(Le32(head, 22));
    h.height = height == INT32_MIN ? -1 : std::abs(height);  // negative: rows top-down
    h.bits = Le16(head, 28);
  } else {
    throw Failure(UnreadableText(path, QStringLiteral("en-tête inconnu")));
  }
  if (h.width <= 0 || h.height <= 0)
    throw Failure(UnreadableText(path, QStringLiteral("taille incorrecte")));
  switch (h.bits) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      throw Failure(UnreadableText(path, QStringLiteral("profondeur de couleur inconnue")));
  }
  CheckImageFits(h.width, h.height, 32, path);
  // Qt's reader fills a short file's missing rows in; a cut file is a broken file here.
  const uint32_t compression = infoSize >= 40 ? Le32(head, 30) : 0;
  if (compression == 0 || compression == 3) {
    const qint64 rows = (qint64(h.width) * h.bits + 31) / 32 * 4 * h.height;
    if (qint64(Le32(head, 10)) + rows > fileSize)
      throw Failure(UnreadableText(path, QStringLiteral("fichier tronqué")));
  }
  return h;
}

QImage ReadWithQt(const QString &path, const char *format) {
  RaiseImageMemoryLimit();
  QImageReader reader(path, format);
  reader.setAutoTransform(false);
  QImage image = reader.read();
  if (image.isNull()) throw Failure(UnreadableText(path, reader.errorString()));
  return image;
}

}  // namespace

void Picture::LoadFromFile(const QString &path) {
  const QString ext = ExtractFileExt(path).toUpper();
  const PictureFormat *format = PictureFormatOfExtension(ext);
  if (!HasPictureClass(format))
    throw Failure(QStringLiteral("Extension d'image inconnue (%1) : %2").arg(ext, path));
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
    throw Failure(CannotOpenText(path));

  Picture loaded;
  if (format->pictureClass == PictureClass::Metafile) {
    loaded.metafile_ = std::make_unique<MetafileData>(ParseMetafile(file.readAll(), path));
    loaded.kind_ = Kind::Metafile;
  } else if (format->pictureClass == PictureClass::Pdf ||
             format->pictureClass == PictureClass::Svg) {
    file.close();
    const bool pdf = format->pictureClass == PictureClass::Pdf;
    loaded.document_ =
        std::make_unique<DocumentData>(pdf ? LoadPdfDocument(path) : LoadSvgDocument(path));
    loaded.kind_ = pdf ? Kind::Pdf : Kind::Svg;
  } else if (format->pictureClass == PictureClass::Icon) {
    file.close();
    loaded.bitmap_ = ReadWithQt(path, "ico");
    loaded.bitsPerPixel_ = loaded.bitmap_.depth();
    loaded.kind_ = Kind::Icon;
  } else {
    const BmpHeader h = ReadBmpHeader(file.read(64), file.size(), path);
    file.close();
    loaded.bitmap_ = ReadWithQt(path, "bmp");
    // Qt reads 24-bit rows into 32-bit pixels; kept at their own depth a large picture
    // takes a quarter less memory (converted in place, without a second copy).
    if (h.bits == 24 && loaded.bitmap_.format() == QImage::Format_RGB32)
      loaded.bitmap_.convertTo(QImage::Format_RGB888);
    loaded.bitsPerPixel_ = h.bits;
    loaded.kind_ = Kind::Bitmap;
  }
  *this = std::move(loaded);
}

void Picture::AssignBitmap(const QImage &bitmap) {
  QImage copy = bitmap.isNull() ? QImage() : bitmap.copy();
  if (!bitmap.isNull() && copy.isNull())
    throw Failure(QStringLiteral("Mémoire insuffisante pour copier l'image"));
  AssignBitmap(std::move(copy));
}

void Picture::AssignBitmap(QImage &&bitmap) {
  Clear();
  if (bitmap.isNull()) return;
  bitmap_ = std::move(bitmap);
  bitsPerPixel_ = bitmap_.depth();
  kind_ = Kind::Bitmap;
}

QImage &Picture::DrawingBitmap(int width, int height) {
  if (kind_ != Kind::Bitmap || metafile_ || document_ || bitmap_.size() != QSize(width, height) ||
      bitmap_.format() != QImage::Format_RGB32) {
    Clear();
    bitmap_ = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    bitmap_.fill(Qt::white);
    bitsPerPixel_ = 32;
    kind_ = Kind::Bitmap;
  }
  return bitmap_;
}

void Picture::Clear() {
  kind_ = Kind::Empty;
  bitmap_ = QImage();
  bitsPerPixel_ = 0;
  metafile_.reset();
  document_.reset();
}

int Picture::Width() const {
  if (document_) return document_->frame.width();
  return metafile_ ? metafile_->frame.width() : bitmap_.width();
}
int Picture::Height() const {
  if (document_) return document_->frame.height();
  return metafile_ ? metafile_->frame.height() : bitmap_.height();
}

void Picture::Draw(QPainter &painter, const QRect &target, bool raster) const {
  if (target.isEmpty()) return;
  if (metafile_) {
    PlayMetafile(*metafile_, painter, target);
    return;
  }
  if (document_) {
    DrawDocument(*document_, painter, target);
    return;
  }
  if (bitmap_.isNull()) return;
  if (!raster || target.size() == bitmap_.size()) {
    painter.drawImage(target, bitmap_);
  } else if (target.width() * 2 <= bitmap_.width() || target.height() * 2 <= bitmap_.height()) {
    // A strong reduction is one smooth scaling: every source pixel counts, where a
    // painter's stretch would sample a few and alias a large picture into noise.
    painter.drawImage(target.topLeft(), bitmap_.scaled(target.size(), Qt::IgnoreAspectRatio,
                                                       Qt::SmoothTransformation));
  } else {
    // Near its own size or enlarged: filtered on the fly, without a scaled copy of a
    // picture that may be as large as memory allows.
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, bitmap_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  }
}

}  // namespace platform
