#include "Metafile.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "core/AnsiText.h"
#include "core/Errors.h"

// A player of our own for the records that drawing programs put into metafiles. The one
// library for the format renders through its own raster and X backends; a metafile here
// must play as vectors onto any painter (a PDF page at 600 dots per inch included).

namespace platform {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7u;

QString MetafileError(const QString &path, const QString &why) {
  return QStringLiteral("Métafichier illisible : %1 (%2)").arg(path, why);
}

// Little-endian reads that never leave the buffer (missing words read as 0).
struct Reader {
  const uchar *data;
  qsizetype size;
  uint16_t U16(qsizetype at) const {
    return at >= 0 && at + 2 <= size ? uint16_t(data[at] | data[at + 1] << 8) : 0;
  }
  int16_t S16(qsizetype at) const { return int16_t(U16(at)); }
  uint32_t U32(qsizetype at) const { return uint32_t(U16(at)) | uint32_t(U16(at + 2)) << 16; }
};

// One record: its function and parameter words.
struct Record {
  uint16_t function;
  Reader params;  // the parameters only
  int Words() const { return int(params.size / 2); }
  int16_t S(int word) const { return params.S16(qsizetype(word) * 2); }
  uint16_t U(int word) const { return params.U16(qsizetype(word) * 2); }
  uint32_t U32(int word) const { return params.U32(qsizetype(word) * 2); }
  QColor Colour(int word) const {
    const uint32_t c = U32(word);
    return QColor(int(c & 0xff), int((c >> 8) & 0xff), int((c >> 16) & 0xff));
  }
};

template <class F>
void ForEachRecord(const QByteArray &records, F &&f) {
  const Reader r{reinterpret_cast<const uchar *>(records.constData()), records.size()};
  qsizetype at = 0;
  while (at + 6 <= r.size) {
    const qsizetype bytes = qsizetype(r.U32(at)) * 2;
    const uint16_t function = r.U16(at + 4);
    if (bytes < 6 || at + bytes > r.size || function == 0) return;
    if (!f(Record{function, Reader{r.data + at + 6, bytes - 6}})) return;
    at += bytes;
  }
}

enum : uint16_t {
  kSetBkColor = 0x0201,
  kSetBkMode = 0x0103,
  kSetMapMode = 0x0104,
  kSetPolyFillMode = 0x0107,
  kSetTextAlign = 0x012E,
  kSetTextColor = 0x0209,
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kOffsetWindowOrg = 0x020F,
  kScaleWindowExt = 0x0410,
  kLineTo = 0x0213,
  kMoveTo = 0x0214,
  kEllipse = 0x0418,
  kRectangle = 0x041B,
  kRoundRect = 0x061C,
  kArc = 0x0817,
  kPie = 0x081A,
  kChord = 0x0830,
  kPolygon = 0x0324,
  kPolyline = 0x0325,
  kPolyPolygon = 0x0538,
  kCreatePen = 0x02FA,
  kCreateBrush = 0x02FC,
  kCreateFont = 0x02FB,
  kCreatePalette = 0x00F7,
  kCreatePatternBrush = 0x01F9,
  kDibCreatePatternBrush = 0x0142,
  kCreateRegion = 0x06FF,
  kSelectObject = 0x012D,
  kDeleteObject = 0x01F0,
  kTextOut = 0x0521,
  kExtTextOut = 0x0A32,
  kSaveDC = 0x001E,
  kRestoreDC = 0x0127,
  kStretchDib = 0x0F43,
  kDibStretchBlt = 0x0B41,
  kDibBitBlt = 0x0940,
  kSetPixel = 0x041F,
  kIntersectClipRect = 0x0416,
  kPatBlt = 0x061D,
};

// The window (logical origin and extent) that the file sets first, if any.
std::optional<QRect> FirstWindow(const QByteArray &records) {
  std::optional<QPoint> org;
  std::optional<QSize> ext;
  ForEachRecord(records, [&](const Record &r) {
    if (r.function == kSetWindowOrg && !org) org = QPoint(r.S(1), r.S(0));
    if (r.function == kSetWindowExt && !ext) ext = QSize(r.S(1), r.S(0));
    return !(org && ext);
  });
  if (!ext || ext->width() == 0 || ext->height() == 0) return std::nullopt;
  return QRect(org.value_or(QPoint()), *ext);
}

// The box around the coordinates of the common drawing records, for a plain metafile
// that never sets its window.
QRect DrawingBox(const QByteArray &records) {
  QRect box;
  auto add = [&](int x, int y) { box |= QRect(x, y, 1, 1); };
  ForEachRecord(records, [&](const Record &r) {
    switch (r.function) {
      case kLineTo:
      case kMoveTo:
        add(r.S(1), r.S(0));
        break;
      case kRectangle:
      case kEllipse:
        add(r.S(3), r.S(2));
        add(r.S(1), r.S(0));
        break;
      case kPolygon:
      case kPolyline:
        for (int i = 0; i < r.S(0); ++i) add(r.S(1 + 2 * i), r.S(2 + 2 * i));
        break;
      default:
        break;
    }
    return true;
  });
  return box;
}

}  // namespace

Picture::MetafileData ParseMetafile(const QByteArray &file, const QString &path) {
  const Reader r{reinterpret_cast<const uchar *>(file.constData()), file.size()};
  qsizetype at = 0;
  std::optional<QRect> placeableBox;
  int inch = 0;
  if (r.size >= 4 && r.U32(0) == kPlaceableKey) {
    if (r.size < 22) throw Failure(MetafileError(path, QStringLiteral("en-tête tronqué")));
    const int left = r.S16(6), top = r.S16(8), right = r.S16(10), bottom = r.S16(12);
    inch = r.U16(14);
    if (inch == 0 || right == left || bottom == top)
      throw Failure(MetafileError(path, QStringLiteral("cadre incorrect")));
    placeableBox = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    at = 22;
  }
  if (r.size < at + 18) throw Failure(MetafileError(path, QStringLiteral("en-tête tronqué")));
  const uint16_t type = r.U16(at), headerWords = r.U16(at + 2), version = r.U16(at + 4);
  if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
    throw Failure(MetafileError(path, QStringLiteral("pas un métafichier")));
  at += 18;

  // Every record must lie inside the file; the list ends at the end-of-file record.
  qsizetype end = at;
  bool sawEnd = false;
  while (end + 6 <= r.size) {
    const uint32_t words = r.U32(end);
    if (words < 3 || qsizetype(words) * 2 > r.size - end)
      throw Failure(MetafileError(path, QStringLiteral("enregistrement tronqué")));
    const uint16_t function = r.U16(end + 4);
    end += qsizetype(words) * 2;
    if (function == 0) {
      sawEnd = true;
      break;
    }
  }
  if (!sawEnd && end != r.size)
    throw Failure(MetafileError(path, QStringLiteral("enregistrement tronqué")));

  Picture::MetafileData data;
  data.records = file.mid(at, end - at);
  if (placeableBox) {
    data.bounds = *placeableBox;
    const int w = int(std::lround(std::abs(double(data.bounds.width())) * 96.0 / inch));
    const int h = int(std::lround(std::abs(double(data.bounds.height())) * 96.0 / inch));
    data.frame = QRect(0, 0, std::max(w, 1), std::max(h, 1));
  } else {
    std::optional<QRect> window = FirstWindow(data.records);
    data.bounds = window ? *window : DrawingBox(data.records);
    if (data.bounds.isEmpty() && !window)
      throw Failure(MetafileError(path, QStringLiteral("dimensions inconnues")));
    data.frame = QRect(0, 0, std::max(1, std::abs(data.bounds.width())),
                       std::max(1, std::abs(data.bounds.height())));
  }
  return data;
}

// ---- the player -------------------------------------------------------------------

namespace {

struct GdiObject {
  enum Kind { None, Pen, Brush, Font, Other } kind = None;
  QPen pen;
  QBrush brush;
  QFont font;
  int escapement = 0;  // tenths of a degree
};

struct DcState {
  QPen pen{QColor(Qt::black), 0};
  QBrush brush{Qt::white};
  QFont font;
  int escapement = 0;
  QColor textColour = Qt::black, bkColour = Qt::white;
  bool opaque = true;
  int textAlign = 0;
  Qt::FillRule fill = Qt::OddEvenFill;
  QPointF position;
  QPointF windowOrg;
  QSizeF windowExt;
  std::optional<QRectF> clip;  // logical units
};

class Player {
 public:
  Player(const Picture::MetafileData &mf, QPainter &painter, const QRect &target)
      : painter_(painter), target_(target) {
    state_.windowOrg = mf.bounds.topLeft();
    state_.windowExt = QSizeF(mf.bounds.width(), mf.bounds.height());
    state_.font.setFamily(QStringLiteral("Sans Serif"));
    state_.pen.setCosmetic(true);
  }

  void Play(const QByteArray &records) {
    painter_.save();
    base_ = painter_.transform();
    Map();
    ForEachRecord(records, [this](const Record &r) {
      Do(r);
      return true;
    });
    painter_.restore();
  }

 private:
  void Map() {
    const double ex = state_.windowExt.width() != 0 ? state_.windowExt.width() : 1;
    const double ey = state_.windowExt.height() != 0 ? state_.windowExt.height() : 1;
    QTransform t;
    t.translate(target_.x(), target_.y());
    t.scale(target_.width() / ex, target_.height() / ey);
    t.translate(-state_.windowOrg.x(), -state_.windowOrg.y());
    // The target clips in device terms, the file's own clip in logical ones.
    painter_.setTransform(base_);
    painter_.setClipRect(target_, Qt::ReplaceClip);
    painter_.setTransform(t * base_);
    if (state_.clip) painter_.setClipRect(*state_.clip, Qt::IntersectClip);
  }

  void Paint(bool fill) {
    painter_.setPen(state_.pen);
    painter_.setBrush(fill ? state_.brush : Qt::NoBrush);
    if (fill && state_.brush.style() != Qt::SolidPattern && state_.brush.style() != Qt::NoBrush) {
      painter_.setBackgroundMode(state_.opaque ? Qt::OpaqueMode : Qt::TransparentMode);
      painter_.setBackground(state_.bkColour);
    }
  }

  static QRectF Box(const Record &r, int first) {  // bottom, right, top, left from `first`
    return QRectF(QPointF(r.S(first + 3), r.S(first + 2)), QPointF(r.S(first + 1), r.S(first)));
  }

  QPolygonF Points(const Record &r, int from, int count) {
    QPolygonF poly;
    count = std::clamp(count, 0, (r.Words() - from) / 2);
    poly.reserve(count);
    for (int i = 0; i < count; ++i) poly << QPointF(r.S(from + 2 * i), r.S(from + 2 * i + 1));
    return poly;
  }

  int AddObject(const GdiObject &o) {
    for (size_t i = 0; i < objects_.size(); ++i)
      if (objects_[i].kind == GdiObject::None) {
        objects_[i] = o;
        return int(i);
      }
    objects_.push_back(o);
    return int(objects_.size()) - 1;
  }

  void Arc(const Record &r, int kind) {  // 0 arc, 1 pie, 2 chord
    const QRectF box = Box(r, 4);
    const QPointF c = box.center();
    auto angle = [&](double x, double y) {
      // Counter-clockwise degrees in the painter's logical space, y growing downwards.
      return std::atan2(-(y - c.y()) * box.width(), (x - c.x()) * box.height()) * 180 / M_PI;
    };
    const double a0 = angle(r.S(3), r.S(2)), a1 = angle(r.S(1), r.S(0));
    double span = a1 - a0;
    if (span <= 0) span += 360;
    QPainterPath path;
    path.arcMoveTo(box, a0);
    const QPointF start = path.currentPosition();
    if (kind == 1) {
      path = QPainterPath(c);
      path.arcTo(box, a0, span);
      path.closeSubpath();
    } else {
      path.arcTo(box, a0, span);
      if (kind == 2) path.lineTo(start);
    }
    Paint(kind != 0);
    painter_.drawPath(path);
  }

  void Text(double x, double y, const QByteArray &bytes) {
    const QString text = FromWindows1252(bytes);
    if (text.isEmpty()) return;
    painter_.save();
    QFont font = state_.font;
    painter_.setFont(font);
    const QFontMetricsF fm(font, painter_.device());
    const double width = fm.horizontalAdvance(text);
    double dx = 0, dy = 0;
    const int h = state_.textAlign & 6, v = state_.textAlign & 24;
    if (h == 6)
      dx = -width / 2;
    else if (h == 2)
      dx = -width;
    if (v == 0)
      dy = fm.ascent();  // top
    else if (v == 8)
      dy = -fm.descent();  // bottom
    painter_.translate(x, y);
    // Text stands upright whichever way the window's axes run.
    painter_.scale(state_.windowExt.width() * target_.width() < 0 ? -1 : 1,
                   state_.windowExt.height() * target_.height() < 0 ? -1 : 1);
    if (state_.escapement != 0) painter_.rotate(-state_.escapement / 10.0);
    if (state_.opaque)
      painter_.fillRect(QRectF(dx, dy - fm.ascent(), width, fm.height()), state_.bkColour);
    painter_.setPen(state_.textColour);
    painter_.drawText(QPointF(dx, dy), text);
    painter_.restore();
  }

  void Dib(const Record &r, int dibWord, QRectF dest, QRectF source) {
    const Reader &p = r.params;
    const qsizetype at = qsizetype(dibWord) * 2;
    if (at + 40 > p.size) return;
    const uint32_t headerSize = p.U32(at);
    const int bits = p.U16(at + 14);
    const uint32_t compression = p.U32(at + 16);
    uint32_t colours = headerSize >= 40 ? p.U32(at + 32) : 0;
    if (colours == 0 && bits <= 8) colours = 1u << bits;
    uint32_t offset = 14 + headerSize + colours * (headerSize == 12 ? 3 : 4);
    if (compression == 3 && headerSize == 40) offset += 12;
    // A bitmap file header in front lets Qt's own reader decode every depth and RLE.
    QByteArray bmp("BM");
    const uint32_t total = uint32_t(14 + (p.size - at));
    for (uint32_t v : {total, 0u, offset})
      for (int i = 0; i < 4; ++i) bmp.append(char((v >> (8 * i)) & 0xff));
    bmp.append(reinterpret_cast<const char *>(p.data + at), p.size - at);
    QImage image;
    if (!image.loadFromData(bmp, "BMP")) return;
    if (source.isEmpty()) source = image.rect();
    painter_.drawImage(dest.normalized(), image, source);
  }

  void Do(const Record &r) {
    switch (r.function) {
      case kSetBkColor:
        state_.bkColour = r.Colour(0);
        break;
      case kSetBkMode:
        state_.opaque = r.U(0) == 2;
        break;
      case kSetTextColor:
        state_.textColour = r.Colour(0);
        break;
      case kSetTextAlign:
        state_.textAlign = r.U(0);
        break;
      case kSetPolyFillMode:
        state_.fill = r.U(0) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
        break;
      case kSetMapMode:
        break;  // the window is always mapped onto the target
      case kSetWindowOrg:
        state_.windowOrg = QPointF(r.S(1), r.S(0));
        Map();
        break;
      case kSetWindowExt:
        state_.windowExt = QSizeF(r.S(1), r.S(0));
        Map();
        break;
      case kOffsetWindowOrg:
        state_.windowOrg += QPointF(r.S(1), r.S(0));
        Map();
        break;
      case kScaleWindowExt:
        if (r.S(2) != 0 && r.S(0) != 0)
          state_.windowExt = QSizeF(state_.windowExt.width() * r.S(3) / r.S(2),
                                    state_.windowExt.height() * r.S(1) / r.S(0));
        Map();
        break;
      case kMoveTo:
        state_.position = QPointF(r.S(1), r.S(0));
        break;
      case kLineTo: {
        const QPointF to(r.S(1), r.S(0));
        Paint(false);
        painter_.drawLine(state_.position, to);
        state_.position = to;
        break;
      }
      case kRectangle:
        Paint(true);
        painter_.drawRect(Box(r, 0));
        break;
      case kRoundRect:
        Paint(true);
        painter_.drawRoundedRect(Box(r, 2), r.S(1) / 2.0, r.S(0) / 2.0);
        break;
      case kEllipse:
        Paint(true);
        painter_.drawEllipse(Box(r, 0));
        break;
      case kArc:
        Arc(r, 0);
        break;
      case kPie:
        Arc(r, 1);
        break;
      case kChord:
        Arc(r, 2);
        break;
      case kPolyline:
        Paint(false);
        painter_.drawPolyline(Points(r, 1, r.S(0)));
        break;
      case kPolygon:
        Paint(true);
        painter_.drawPolygon(Points(r, 1, r.S(0)), state_.fill);
        break;
      case kPolyPolygon: {
        const int n = std::clamp<int>(r.S(0), 0, r.Words() - 1);
        QPainterPath path;
        path.setFillRule(state_.fill);
        int at = 1 + n;
        for (int i = 0; i < n; ++i) {
          const int count = std::max<int>(0, r.S(1 + i));
          const QPolygonF poly = Points(r, at, count);
          path.addPolygon(poly);
          path.closeSubpath();
          at += 2 * count;
        }
        Paint(true);
        painter_.drawPath(path);
        break;
      }
      case kSetPixel:
        painter_.fillRect(QRectF(r.S(2), r.S(1), 1, 1), r.Colour(0));
        break;
      case kCreatePen: {
        GdiObject o;
        o.kind = GdiObject::Pen;
        const int style = r.U(0) & 0x0f, width = r.S(1);
        o.pen = QPen(r.Colour(3), width);
        o.pen.setCosmetic(width <= 1);
        if (width <= 1) o.pen.setWidth(1);
        switch (style) {
          case 1:
            o.pen.setStyle(Qt::DashLine);
            break;
          case 2:
            o.pen.setStyle(Qt::DotLine);
            break;
          case 3:
            o.pen.setStyle(Qt::DashDotLine);
            break;
          case 4:
            o.pen.setStyle(Qt::DashDotDotLine);
            break;
          case 5:
            o.pen.setStyle(Qt::NoPen);
            break;
          default:
            break;
        }
        AddObject(o);
        break;
      }
      case kCreateBrush: {
        GdiObject o;
        o.kind = GdiObject::Brush;
        const int style = r.U(0);
        const QColor colour = r.Colour(1);
        if (style == 1)
          o.brush = Qt::NoBrush;
        else if (style == 2) {
          static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                   Qt::FDiagPattern, Qt::BDiagPattern,
                                                   Qt::CrossPattern, Qt::DiagCrossPattern};
          o.brush = QBrush(colour, hatches[std::min<int>(r.U(3), 5)]);
        } else {
          o.brush = QBrush(colour);
        }
        AddObject(o);
        break;
      }
      case kCreateFont: {
        GdiObject o;
        o.kind = GdiObject::Font;
        const int height = std::abs(r.S(0));
        o.font.setPixelSize(std::max(1, height));
        o.escapement = r.S(2);
        o.font.setWeight(r.S(4) >= 600 ? QFont::Bold : QFont::Normal);
        o.font.setItalic((r.U(5) & 0xff) != 0);
        o.font.setUnderline((r.U(5) >> 8) != 0);
        o.font.setStrikeOut((r.U(6) & 0xff) != 0);
        QByteArray face(reinterpret_cast<const char *>(r.params.data) + 18,
                        std::max<qsizetype>(0, std::min<qsizetype>(32, r.params.size - 18)));
        face.truncate(face.indexOf('\0') < 0 ? face.size() : face.indexOf('\0'));
        o.font.setFamily(face.isEmpty() ? QStringLiteral("Sans Serif") : FromWindows1252(face));
        AddObject(o);
        break;
      }
      case kCreatePalette:
      case kCreatePatternBrush:
      case kDibCreatePatternBrush:
      case kCreateRegion: {
        GdiObject o;
        o.kind = r.function == kDibCreatePatternBrush ? GdiObject::Brush : GdiObject::Other;
        o.brush = QBrush(Qt::gray);
        AddObject(o);
        break;
      }
      case kSelectObject: {
        const size_t i = r.U(0);
        if (i >= objects_.size()) break;
        const GdiObject &o = objects_[i];
        if (o.kind == GdiObject::Pen)
          state_.pen = o.pen;
        else if (o.kind == GdiObject::Brush)
          state_.brush = o.brush;
        else if (o.kind == GdiObject::Font) {
          state_.font = o.font;
          state_.escapement = o.escapement;
        }
        break;
      }
      case kDeleteObject:
        if (r.U(0) < objects_.size()) objects_[r.U(0)] = GdiObject();
        break;
      case kTextOut: {
        const int count = std::max<int>(0, r.S(0));
        const int words = (count + 1) / 2;
        if (1 + words + 2 > r.Words()) break;
        const QByteArray text(reinterpret_cast<const char *>(r.params.data) + 2, count);
        Text(r.S(2 + words), r.S(1 + words), text);
        break;
      }
      case kExtTextOut: {
        const int count = std::max<int>(0, r.S(2));
        const int options = r.U(3);
        int at = 4;
        if (options & 0x0006) {
          if (options & 0x0002) {  // opaque rectangle
            const QRectF box(QPointF(r.S(4), r.S(5)), QPointF(r.S(6), r.S(7)));
            painter_.fillRect(box, state_.bkColour);
          }
          at += 4;
        }
        if (at * 2 + count > r.params.size) break;
        const QByteArray text(reinterpret_cast<const char *>(r.params.data) + at * 2, count);
        Text(r.S(1), r.S(0), text);
        break;
      }
      case kSaveDC:
        saved_.push_back(state_);
        break;
      case kRestoreDC: {
        int n = r.S(0);
        if (n < 0)
          n = int(saved_.size()) + n;
        else
          n = n - 1;
        if (n < 0 || n >= int(saved_.size())) break;
        state_ = saved_[n];
        saved_.resize(n);
        Map();
        break;
      }
      case kIntersectClipRect: {
        const QRectF box = Box(r, 0).normalized();
        state_.clip = state_.clip ? state_.clip->intersected(box) : box;
        Map();
        break;
      }
      case kStretchDib:  // rop(2) usage srcH srcW ySrc xSrc destH destW yDest xDest dib
        Dib(r, 11, QRectF(r.S(10), r.S(9), r.S(8), r.S(7)), QRectF(r.S(6), r.S(5), r.S(4), r.S(3)));
        break;
      case kDibStretchBlt:  // rop(2) srcH srcW ySrc xSrc destH destW yDest xDest dib
        if (r.Words() > 11)
          Dib(r, 10, QRectF(r.S(9), r.S(8), r.S(7), r.S(6)),
              QRectF(r.S(5), r.S(4), r.S(3), r.S(2)));
        break;
      case kDibBitBlt:  // rop(2) ySrc xSrc height width yDest xDest dib
        if (r.Words() > 9)
          Dib(r, 8, QRectF(r.S(7), r.S(6), r.S(5), r.S(4)), QRectF(r.S(3), r.S(2), r.S(5), r.S(4)));
        break;
      case kPatBlt:  // rop(2) height width y x
        painter_.fillRect(QRectF(r.S(5), r.S(4), r.S(3), r.S(2)), state_.brush);
        break;
      default:
        break;  // records without a drawing effect here (escapes, palettes...)
    }
  }

  QPainter &painter_;
  QTransform base_;
  QRect target_;
  DcState state_;
  std::vector<DcState> saved_;
  std::vector<GdiObject> objects_;
};

}  // namespace

void PlayMetafile(const Picture::MetafileData &metafile, QPainter &painter, const QRect &target) {
  if (target.isEmpty() || metafile.bounds.width() == 0 || metafile.bounds.height() == 0) return;
  Player player(metafile, painter, target);
  player.Play(metafile.records);
}

}  // namespace platform
