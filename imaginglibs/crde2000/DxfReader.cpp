// DXF drawings: parsed by dxflib, drawn with Qt's painter on white. The drawing is scaled
// so that its longer side spans kDrawingSide pixels, keeping its proportions, inside a
// margin of kMargin pixels on each side.
#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Depth.h"
#include "Files.h"
#include "Readers.h"

namespace mx {

bool LooksLikeDxf(const uint8_t *data, size_t size);
void SurfaceToBitmap(const Surface &s, HBITMAP *bitmap, HPALETTE *palette);

namespace {

constexpr int kDrawingSide = 1024;
constexpr int kMargin = 8;
constexpr size_t kMaxEntities = 2'000'000;

struct Shape {
  enum Kind { Polyline, Circle, Arc, Text } kind;
  std::vector<QPointF> points;  // polyline vertices; centre for circles, arcs, text anchor
  bool closed = false;
  double radius = 0, angle1 = 0, angle2 = 0;  // arcs in degrees, text angle in radians
  double height = 0;
  std::string text;
  int color = 7;
};

class Collector : public DL_CreationAdapter {
 public:
  std::vector<Shape> shapes;
  double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
  bool tooMany = false;

  void addLine(const DL_LineData &d) override {
    Shape s = Make(Shape::Polyline);
    s.points = {{d.x1, d.y1}, {d.x2, d.y2}};
    Add(std::move(s));
  }
  void addPolyline(const DL_PolylineData &d) override {
    Finish();
    open_ = true;
    current_ = Make(Shape::Polyline);
    current_.closed = (d.flags & 1) != 0;
  }
  void addVertex(const DL_VertexData &d) override {
    if (open_ && current_.points.size() < kMaxEntities) current_.points.emplace_back(d.x, d.y);
  }
  void endEntity() override { Finish(); }
  void endSection() override { Finish(); }
  void addCircle(const DL_CircleData &d) override {
    Shape s = Make(Shape::Circle);
    s.points = {{d.cx, d.cy}};
    s.radius = std::fabs(d.radius);
    Add(std::move(s));
  }
  void addArc(const DL_ArcData &d) override {
    Shape s = Make(Shape::Arc);
    s.points = {{d.cx, d.cy}};
    s.radius = std::fabs(d.radius);
    s.angle1 = d.angle1;
    s.angle2 = d.angle2;
    Add(std::move(s));
  }
  void addText(const DL_TextData &d) override {
    Shape s = Make(Shape::Text);
    s.points = {{d.ipx, d.ipy}};
    s.height = d.height;
    s.angle1 = d.angle;
    s.text = d.text;
    Add(std::move(s));
  }
  void addMText(const DL_MTextData &d) override {
    Shape s = Make(Shape::Text);
    s.points = {{d.ipx, d.ipy}};
    s.height = d.height;
    s.angle1 = d.angle;
    s.text = d.text;
    Add(std::move(s));
  }

 private:
  Shape Make(Shape::Kind kind) {
    Shape s{kind, {}, false, 0, 0, 0, 0, {}, 7};
    s.color = attributes.getColor();
    return s;
  }
  void Finish() {
    if (!open_) return;
    open_ = false;
    if (!current_.points.empty()) Add(std::move(current_));
    current_ = Shape{Shape::Polyline, {}, false, 0, 0, 0, 0, {}, 7};
  }
  static bool Finite(double v) { return std::isfinite(v) && std::fabs(v) < 1e12; }
  void Grow(double x, double y) {
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  void Add(Shape s) {
    if (shapes.size() >= kMaxEntities) {
      tooMany = true;
      return;
    }
    for (const QPointF &p : s.points)
      if (!Finite(p.x()) || !Finite(p.y())) return;
    if (!Finite(s.radius) || !Finite(s.height) || !Finite(s.angle1) || !Finite(s.angle2)) return;
    const QPointF c = s.points.front();
    switch (s.kind) {
      case Shape::Polyline:
        for (const QPointF &p : s.points) Grow(p.x(), p.y());
        break;
      case Shape::Circle:
      case Shape::Arc:
        Grow(c.x() - s.radius, c.y() - s.radius);
        Grow(c.x() + s.radius, c.y() + s.radius);
        break;
      case Shape::Text:
        Grow(c.x(), c.y());
        Grow(c.x() + s.height * static_cast<double>(s.text.size()) * 0.6, c.y() + s.height);
        break;
    }
    shapes.push_back(std::move(s));
  }
  bool open_ = false;
  Shape current_{Shape::Polyline, {}, false, 0, 0, 0, 0, {}, 7};
};

// The standard colours of the first seven indices; white (7) and the rest draw in black,
// since the paper is white.
QColor ColorOf(int index) {
  switch (index) {
    case 1:
      return QColor(255, 0, 0);
    case 2:
      return QColor(255, 255, 0);
    case 3:
      return QColor(0, 255, 0);
    case 4:
      return QColor(0, 255, 255);
    case 5:
      return QColor(0, 0, 255);
    case 6:
      return QColor(255, 0, 255);
    default:
      return QColor(0, 0, 0);
  }
}

struct Layout {
  double scale = 1, minX = 0, maxY = 0;
  int width = 0, height = 0;
};

Collector Parse(const char *name) {
  {
    MappedFile file(name);
    if (!LooksLikeDxf(file.Data(), file.Size())) Fail(MX_ERR_NOT_DXF);
  }
  Collector collector;
  DL_Dxf dxf;
  if (!dxf.in(name, &collector)) Fail(MX_ERR_CANNOT_OPEN);
  if (collector.tooMany) Fail(MX_ERR_TOO_LARGE);
  if (collector.shapes.empty()) Fail(MX_ERR_EMPTY_DRAWING);
  return collector;
}

Layout LayoutOf(const Collector &c) {
  Layout l;
  const double dx = c.maxX - c.minX, dy = c.maxY - c.minY;
  const double side = std::max(dx, dy);
  constexpr int inner = kDrawingSide - 2 * kMargin;
  // A drawing smaller than a millionth of a unit (a single point, say) is drawn at scale 1:
  // dividing by its size would overflow.
  l.scale = side > 1e-6 ? inner / side : 1.0;
  l.minX = c.minX;
  l.maxY = c.maxY;
  auto pixels = [](double v) {
    v = std::ceil(v);
    return v >= 1 ? (v < inner ? static_cast<int>(v) : inner) : 1;  // NaN gives 1 too
  };
  l.width = pixels(dx * l.scale) + 2 * kMargin;
  l.height = pixels(dy * l.scale) + 2 * kMargin;
  return l;
}

}  // namespace

void DxfDrawingSize(const char *name, int &width, int &height) {
  Layout l = LayoutOf(Parse(name));
  width = l.width;
  height = l.height;
}

DxfPicture ReadDxf(const char *name, int bits, bool dither, Progress &progress) {
  Collector drawing = Parse(name);
  progress.Report(1, 3);
  const Layout l = LayoutOf(drawing);
  QImage image(l.width, l.height, QImage::Format_RGB888);
  if (image.isNull()) Fail(MX_ERR_NO_MEMORY);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawing units to pixels, with y upwards as in the drawing.
    auto map = [&](QPointF p) {
      return QPointF(kMargin + (p.x() - l.minX) * l.scale, kMargin + (l.maxY - p.y()) * l.scale);
    };
    const bool fonts = QGuiApplication::instance() != nullptr;  // text needs the font system
    for (const Shape &s : drawing.shapes) {
      QPen pen(ColorOf(s.color));
      pen.setCosmetic(true);
      pen.setWidthF(1.0);
      painter.setPen(pen);
      painter.setBrush(Qt::NoBrush);
      const QPointF c = map(s.points.front());
      const double r = s.radius * l.scale;
      switch (s.kind) {
        case Shape::Polyline: {
          QPolygonF poly;
          for (const QPointF &p : s.points) poly << map(p);
          if (s.closed) poly << poly.front();
          if (poly.size() == 1) poly << poly.front();
          painter.drawPolyline(poly);
          break;
        }
        case Shape::Circle:
          painter.drawEllipse(c, r, r);
          break;
        case Shape::Arc: {
          QPainterPath path;
          const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
          double sweep = std::fmod(s.angle2 - s.angle1, 360.0);
          if (sweep <= 0) sweep += 360.0;
          path.arcMoveTo(box, s.angle1);
          path.arcTo(box, s.angle1, sweep);  // counter-clockwise, as in the drawing
          painter.drawPath(path);
          break;
        }
        case Shape::Text: {
          if (!fonts || s.text.empty()) break;
          const int pixels = static_cast<int>(std::lround(s.height * l.scale));
          if (pixels < 1 || pixels > 4 * kDrawingSide) break;
          QFont font;
          font.setPixelSize(pixels);
          painter.save();
          painter.setFont(font);
          painter.translate(c);
          painter.rotate(-s.angle1 * 180.0 / M_PI);
          painter.drawText(QPointF(0, 0), QString::fromUtf8(s.text.c_str()));
          painter.restore();
          break;
        }
      }
    }
  }
  progress.Report(2, 3);
  // The drawing as a DIB surface (RGB888 rows are red, green, blue: swapped to DIB order).
  Dib rgb = Dib::Create(l.width, l.height, 24);
  for (int y = 0; y < l.height; ++y) {
    const uchar *src = image.constScanLine(y);
    uint8_t *dst = rgb.Row(y);
    for (int x = 0; x < l.width; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  Dib picture = AdaptDepth(std::move(rgb), bits, dither);
  DxfPicture out;
  SurfaceToBitmap(picture.View(), &out.bitmap, &out.palette);
  progress.Done();
  return out;
}

}  // namespace mx
