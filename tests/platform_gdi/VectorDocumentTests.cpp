// PDF pages and SVG drawings as pictures: their frame, drawing only the part that is seen,
// and damaged files refused with a message.
#include <gtest/gtest.h>

#include <QPainter>
#include <QPdfDocument>
#include <QSvgRenderer>
#include <vector>

#include "Fixtures.h"
#include "RowName.h"
#include "TempDir.h"
#include "core/Errors.h"
#include "gdi/Picture.h"

namespace {

// The largest difference of one channel between two pixels.
int Distance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

// The first pixel of `part` that differs by more than `tolerance` from `whole` at
// `origin` + its position; empty when none does.
std::string FirstDifference(const QImage &part, const QImage &whole, QPoint origin, int tolerance) {
  for (int y = 0; y < part.height(); ++y)
    for (int x = 0; x < part.width(); ++x) {
      const QRgb a = part.pixel(x, y), b = whole.pixel(origin.x() + x, origin.y() + y);
      if (Distance(a, b) > tolerance)
        return "pixel (" + std::to_string(x) + ", " + std::to_string(y) +
               "): " + QColor(a).name().toStdString() + " against " +
               QColor(b).name().toStdString();
    }
  return {};
}

QImage White(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

constexpr int kTolerance = 4;

struct FrameCase {
  const char *name;
  QByteArray bytes;
  platform::Picture::Kind kind;
  QSize frame;
};
std::vector<FrameCase> FrameCases() {
  return {
      // 300 x 150 points are 400 x 200 pixels at 96 an inch; the first page of three.
      {"a.pdf", PdfBytes(300, 150, 3), platform::Picture::Kind::Pdf, {400, 200}},
      {"b.PDF", PdfBytes(72, 720), platform::Picture::Kind::Pdf, {96, 960}},
      {"c.svg", SvgBytes(123, 45), platform::Picture::Kind::Svg, {123, 45}},
  };
}
class VectorDocumentFrame : public testing::TestWithParam<FrameCase> {};

TEST_P(VectorDocumentFrame, IsAtScreenResolution) {
  const FrameCase &c = GetParam();
  TempDir dir;
  SCOPED_TRACE(c.name);
  platform::Picture picture;
  picture.LoadFromFile(dir.Write(QLatin1String(c.name), c.bytes));
  EXPECT_EQ(picture.GetKind(), c.kind);
  EXPECT_TRUE(picture.IsVector());
  EXPECT_EQ(QSize(picture.Width(), picture.Height()), c.frame);
  EXPECT_TRUE(picture.Bitmap().isNull()) << "no pixels are kept";
  const platform::Picture copy = picture;  // copies draw the same
  EXPECT_EQ(copy.GetKind(), c.kind);
  EXPECT_EQ(copy.Width(), c.frame.width());
}
INSTANTIATE_TEST_SUITE_P(, VectorDocumentFrame, testing::ValuesIn(FrameCases()), ByRowName());

}  // namespace

TEST(VectorDocument, APartDrawnUnderAClipIsThatRegionOfTheWholeDrawing) {
  // The part of a large target that a clip leaves is rendered alone (for a PDF, in its
  // own pixels at the device's resolution) and must be the same pixels as the whole
  // drawing has there. Within 4 levels per channel: the renderers antialias an edge from
  // where the drawing starts, so a part rendered from another origin may round an edge
  // pixel of the sloped line a few levels apart; a misplaced or rescaled part differs by
  // hundreds.
  TempDir dir;
  const QSize whole(900, 600);
  const QRect clip(333, 217, 250, 180);
  for (const char *name : {"d.pdf", "d.svg"}) {
    SCOPED_TRACE(name);
    const bool pdf = QLatin1String(name).endsWith(QLatin1String("pdf"));
    const QString path =
        dir.Write(QLatin1String(name), pdf ? PdfBytes(300, 200) : SvgBytes(300, 200));
    platform::Picture picture;
    picture.LoadFromFile(path);

    QImage reference = White(whole);
    if (pdf) {
      QPdfDocument document;
      ASSERT_EQ(document.load(path), QPdfDocument::Error::None);
      const QImage page = document.render(0, whole);
      QPainter(&reference).drawImage(0, 0, page);
    } else {
      QSvgRenderer renderer(path);
      QPainter painter(&reference);
      renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(whole)));
    }

    // The sheet is the clip's size; the whole drawing lies at minus the clip's corner.
    QImage sheet = White(clip.size());
    {
      QPainter painter(&sheet);
      painter.setClipRect(QRect(QPoint(0, 0), clip.size()));
      picture.Draw(painter, QRect(-clip.topLeft(), whole), true);
    }
    EXPECT_EQ(FirstDifference(sheet, reference, clip.topLeft(), kTolerance), "");
    EXPECT_EQ(QColor(sheet.pixel(5, 5)), QColor(Qt::red)) << "inside the red quarter";
    EXPECT_EQ(QColor(sheet.pixel(150, 120)), QColor(Qt::white)) << "outside every shape";
  }
}

namespace {

struct DamagedCase {
  const char *name;
  QByteArray bytes;
  const char *says;
};
std::vector<DamagedCase> DamagedCases() {
  const QByteArray pdf = PdfBytes(200, 100);
  const QByteArray svg = SvgBytes(200, 100);
  return {
      {"cut.pdf", pdf.left(pdf.size() / 3), "Document PDF illisible"},
      {"junk.pdf", QByteArray("%PDF-1.4\n") + QByteArray(300, '\x7f'), "Document PDF illisible"},
      {"empty.pdf", QByteArray(), "Document PDF illisible"},
      {"text.pdf", svg, "Document PDF illisible"},
      {"cut.svg", svg.left(svg.size() - 20), "Dessin SVG illisible"},
      {"html.svg", QByteArray("<html><body>no</body></html>"), "pas un dessin SVG"},
      {"empty.svg", QByteArray(), "Dessin SVG illisible"},
      {"zero.svg",
       QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"0\" height=\"5\"/>"),
       "taille incorrecte"},
      {"binary.svg", pdf, "Dessin SVG illisible"},
  };
}
class DamagedVectorDocuments : public testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedVectorDocuments, AreRefusedWithAMessage) {
  const DamagedCase &c = GetParam();
  TempDir dir;
  SCOPED_TRACE(c.name);
  const QString path = dir.Write(QLatin1String(c.name), c.bytes);
  platform::Picture picture;
  try {
    picture.LoadFromFile(path);
    ADD_FAILURE() << "loaded";
  } catch (const platform::Failure &f) {
    EXPECT_TRUE(f.Text().contains(QLatin1String(c.says))) << f.Text().toStdString();
    EXPECT_TRUE(f.Text().contains(path)) << "the message names the file";
  }
  EXPECT_TRUE(picture.IsEmpty());
}
INSTANTIATE_TEST_SUITE_P(, DamagedVectorDocuments, testing::ValuesIn(DamagedCases()), ByRowName());

}  // namespace

TEST(VectorDocument, APdfPartLargerThanABandHasNoSeam) {
  // 4000 x 2200 pixels are rendered as bands of at most 8 megapixels (2097 rows here):
  // the rows on both sides of the band edge are the whole page's rows.
  TempDir dir;
  const QString path = dir.Write(QStringLiteral("wide.pdf"), PdfBytes(400, 220));
  platform::Picture picture;
  picture.LoadFromFile(path);
  const QSize size(4000, 2200);
  QImage drawn = White(size);
  {
    QPainter painter(&drawn);
    picture.Draw(painter, drawn.rect(), true);
  }
  QPdfDocument document;
  ASSERT_EQ(document.load(path), QPdfDocument::Error::None);
  QImage reference = White(size);
  QPainter(&reference).drawImage(0, 0, document.render(0, size));
  const QRect seam(0, 2097 - 8, 4000, 16);
  EXPECT_EQ(FirstDifference(drawn.copy(seam), reference, seam.topLeft(), kTolerance), "");
  EXPECT_EQ(FirstDifference(drawn.copy(0, 0, 4000, 40), reference, {0, 0}, kTolerance), "");
}

TEST(VectorDocument, DamagedFilesNeverCrashTheReaderOrTheDrawing) {
  // Cut at many lengths and with bytes overwritten: each file is refused with a Failure or
  // read and drawn; nothing else may happen (the sanitisers watch the drawing too).
  TempDir dir;
  for (const char *name : {"d.pdf", "d.svg"}) {
    SCOPED_TRACE(name);
    const bool pdf = QLatin1String(name).endsWith(QLatin1String("pdf"));
    const QByteArray good = pdf ? PdfBytes(60, 40) : SvgBytes(60, 40);
    const QString path = dir.File(QLatin1String(name));
    int refused = 0;
    auto tryOne = [&](const QByteArray &bytes) {
      dir.Write(QLatin1String(name), bytes);
      platform::Picture picture;
      try {
        picture.LoadFromFile(path);
      } catch (const platform::Failure &f) {
        EXPECT_FALSE(f.Text().isEmpty());
        ++refused;
        return;
      }
      QImage image = White({50, 30});
      QPainter painter(&image);
      picture.Draw(painter, image.rect(), true);
    };
    for (int cut = 0; cut < good.size(); cut += std::max<int>(1, int(good.size()) / 60))
      tryOne(good.left(cut));
    uint32_t seed = 2024;
    for (int round = 0; round < 120; ++round) {
      QByteArray damaged = good;
      for (int k = 0; k < 3; ++k) {
        seed = seed * 1103515245u + 12345u;
        damaged[int((seed >> 8) % uint32_t(damaged.size()))] = char(seed >> 24);
      }
      tryOne(damaged);
    }
    EXPECT_GT(refused, 30) << "most cut files are refused";
  }
}
