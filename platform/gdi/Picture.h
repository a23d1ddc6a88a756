#pragma once
// A picture of the platform: a bitmap (with its palette), a metafile, an icon, the first
// page of a PDF document or an SVG drawing, loaded by the file's extension (the formats of
// the program's table whose picture class is one of these), deep-copied on assignment and
// drawn stretched into a rectangle. A metafile, a PDF page and an SVG drawing are vector
// pictures: drawn from their source at the size of the rectangle, so they print sharp at
// any resolution.
#include <QImage>
#include <QRect>
#include <QString>
#include <memory>

class QPainter;

namespace platform {

class Picture {
 public:
  enum class Kind { Empty, Bitmap, Metafile, Icon, Pdf, Svg };

  Picture();
  ~Picture();
  Picture(const Picture &other);             // deep copy
  Picture &operator=(const Picture &other);  // deep copy
  Picture(Picture &&) noexcept;
  Picture &operator=(Picture &&) noexcept;

  // Loads by extension; raises Failure with a clear text for an unreadable file or an
  // extension the picture classes do not know.
  void LoadFromFile(const QString &path);
  // Takes a bitmap (the image component hands its picture over this way).
  void AssignBitmap(const QImage &bitmap);
  // The same for an image its caller hands over: kept as it is, without a copy.
  void AssignBitmap(QImage &&bitmap);
  void Clear();

  Kind GetKind() const { return kind_; }
  bool IsEmpty() const { return kind_ == Kind::Empty; }
  // A metafile, a PDF page or an SVG drawing: no pixels, drawn from vectors at every size.
  bool IsVector() const {
    return kind_ == Kind::Metafile || kind_ == Kind::Pdf || kind_ == Kind::Svg;
  }
  int Width() const;  // pixels (a vector picture: its frame at screen resolution)
  int Height() const;
  // The bitmap of a Bitmap or Icon picture (its own depth, indexed with a colour table
  // when the file had a palette); a null image for a metafile.
  const QImage &Bitmap() const { return bitmap_; }
  // The bitmap to draw on (a preview square's); a picture without one becomes a
  // bitmap of that size, white.
  QImage &DrawingBitmap(int width, int height);
  // Bits per pixel of the bitmap as its file stored it (1, 4, 8, 16, 24 or 32); the
  // image above may hold it deeper, since Qt has no 4-bit format.
  int BitsPerPixel() const { return bitsPerPixel_; }

  // Draws the picture stretched into `target`. On a raster target a reduced bitmap is
  // scaled smoothly once; elsewhere (a PDF page) the device scales it.
  void Draw(QPainter &painter, const QRect &target) const { Draw(painter, target, true); }
  void Draw(QPainter &painter, const QRect &target, bool raster) const;

  // The metafile player, when the picture is one; defined with the metafile support.
  struct MetafileData;
  // The PDF page or SVG drawing, when the picture is one; defined with their support.
  struct DocumentData;

 private:
  Kind kind_ = Kind::Empty;
  QImage bitmap_;
  int bitsPerPixel_ = 0;
  std::unique_ptr<MetafileData> metafile_;
  std::unique_ptr<DocumentData> document_;
};

}  // namespace platform
