// Sheets printed by the PDF printer, read back as a reader of the file would: the page
// rendered by pdftoppm against the raster printer's page of the same poster, and the
// picture each page embeds against the same block of the poster's picture.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "FakeHost.h"
#include "PosterPrinting.h"
#include "SheetLayout.h"
#include "TempDir.h"

namespace {

// A photograph-like picture: gentle waves over blocks of two brightnesses, so that a shift
// of one dot shows along every block edge (110 levels) while JPEG keeps the rest close to
// the original. No pixel is as dark as the cutting outline.
QImage WavesAndBlocks(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const int base = ((x / 97) + (y / 89)) % 2 == 0 ? 110 : 220;
      const int r = base + int(35 * std::sin(x / 53.0) * std::cos(y / 71.0));
      const int g = base + int(35 * std::cos((x + y) / 89.0));
      row[x] = qRgb(r, g, base);
    }
  }
  return image;
}

bool RunTool(const QString &program, const QStringList &args) {
  QProcess process;
  process.start(program, args);
  return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
         process.exitCode() == 0;
}

double Psnr(const QImage &a, const QImage &b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) sum += d * d;
    }
  const double mse = sum / (3.0 * a.width() * a.height());
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

int Distance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

bool Dark(QRgb c) {
  return qGray(c) < 50;
}

// A4 at 96 dots per inch on the PDF printer: one dot per poster pixel, 3 x 2 sheets for a
// poster of 1600 x 1200 pixels.
class PdfSheetTest : public LayoutTest {
 protected:
  void SetUp() override {
    LayoutTest::SetUp();
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty())
      GTEST_SKIP() << "pdftoppm and pdfimages (poppler-utils) are needed";
    setup.dpi = 96;
    setup.outputFile = dir.File(QStringLiteral("poster.pdf"));
    metrics = platform::MakePdfPrinter(setup)->Metrics(platform::Orientation::Portrait);
    host.document.KeepRatio = false;
    host.document.PosterWidth = 1600;
    host.document.PosterHeight = 1200;
    grid = layout::SheetGridFor(metrics, 1600, 1200, 96);
  }
  int PrintToPdf() {
    platform::ThePrinter().SetBackend(platform::MakePdfPrinter(setup));
    printer = nullptr;
    return layout::PrintPosterWith(host, {});
  }
  // The sheet (column, row) of the grid, counted column by column from 0 as printed.
  layout::SheetPart Part(int k) const {
    return layout::SheetPartOf(metrics, grid, k / grid.rows + 1, k % grid.rows + 1);
  }
  // The block of a picture of `w` x `h` pixels that falls on sheet k: its first pixel is
  // where the part's first dot falls on the stretched picture.
  QRect BlockOf(int k, int w, int h) const {
    const layout::SheetPart part = Part(k);
    const auto at = [](int64_t dot, int64_t dots, int pixels) {
      return int(std::lround(double(dot) * pixels / dots));
    };
    const int x0 = at(part.x0, grid.posterWidthDots, w), y0 = at(part.y0, grid.posterHeightDots, h);
    return QRect(QPoint(x0, y0), QPoint(at(part.x1, grid.posterWidthDots, w) - 1,
                                        at(part.y1, grid.posterHeightDots, h) - 1));
  }

  TempDir dir;
  platform::PdfPrinterSetup setup;
  platform::PrinterPageMetrics metrics;
  layout::SheetGrid grid;
};

}  // namespace

TEST_F(PdfSheetTest, PdfPagesShowWhatTheRasterPrinterPrints) {
  // Placement within one dot and the outline on the same lines: every pixel of the PDF
  // page (inside the part, away from the outline) is within 60 levels of a pixel at most
  // one dot away on the raster printer's page. The renderer places the page's origin
  // between dots, so a dot on a block edge may be shared half and half by two blocks (55
  // levels from either); a block shifted by a dot differs by 110 along its edge. Each
  // side of the outline is dotted, dark over 40 to 60 % of its length, on both pages.
  host.picture.AssignBitmap(WavesAndBlocks(1600, 1200));
  ASSERT_EQ(PrintToPdf(), 6);
  ASSERT_TRUE(RunTool(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                       setup.outputFile, dir.File(QStringLiteral("page"))}));
  UsePrinter(metrics);
  ASSERT_EQ(layout::PrintPosterWith(host, {}), 6);
  ASSERT_EQ(printer->pages.size(), 6u);
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE(testing::Message() << "sheet " << k + 1);
    const QImage rendered(dir.File(QStringLiteral("page-%1.png").arg(k + 1)));
    ASSERT_FALSE(rendered.isNull());
    const QImage pdf = rendered.copy(metrics.offsetX, metrics.offsetY, metrics.printableWidth,
                                     metrics.printableHeight);
    const QImage &raster = printer->pages[size_t(k)];
    const layout::SheetPart part = Part(k);
    const int pw = int(part.x1 - part.x0), ph = int(part.y1 - part.y0);
    int worst = 0;
    QPoint at;
    for (int y = 3; y < ph - 3; ++y)
      for (int x = 3; x < pw - 3; ++x) {
        int best = 255;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx)
            best = std::min(best, Distance(pdf.pixel(x, y), raster.pixel(x + dx, y + dy)));
        if (best > worst) {
          worst = best;
          at = QPoint(x, y);
        }
      }
    EXPECT_LE(worst, 60) << "at (" << at.x() << ", " << at.y() << ")";
    // Beyond the part the page stays white.
    if (pw + 2 < pdf.width()) {
      EXPECT_EQ(Distance(pdf.pixel(pw + 2, ph / 2), qRgb(255, 255, 255)), 0);
    }
    // Each side of the outline, on a band of three dots around its line.
    for (const QImage *page : {&raster, &pdf}) {
      const auto darkAcross = [&](int x, int y, bool column) {
        for (int d = -1; d <= 1; ++d) {
          const int px = column ? x + d : x, py = column ? y : y + d;
          if (px >= 0 && py >= 0 && Dark(page->pixel(px, py))) return true;
        }
        return false;
      };
      int top = 0, left = 0, right = 0, bottom = 0;
      for (int x = 0; x < pw; ++x) {
        top += darkAcross(x, 0, false);
        bottom += darkAcross(x, ph - 1, false);
      }
      for (int y = 0; y < ph; ++y) {
        left += darkAcross(0, y, true);
        right += darkAcross(pw - 1, y, true);
      }
      // Dots and gaps of equal length: close to half of each side.
      EXPECT_GE(5 * top, 2 * pw);
      EXPECT_GE(5 * bottom, 2 * pw);
      EXPECT_GE(5 * left, 2 * ph);
      EXPECT_GE(5 * right, 2 * ph);
      EXPECT_LE(5 * top, 3 * pw);
      EXPECT_LE(5 * left, 3 * ph);
    }
  }
}

TEST_F(PdfSheetTest, EachPageEmbedsItsBlockOfThePictureUnresampled) {
  // 1201 x 900 on a 4:3 poster: the picture's proportions differ from the poster's by
  // under one pixel, which a working picture of the poster's proportions would resample
  // to 1201 x 901. Each page must carry its block of the picture's own pixels, at their
  // own size and within JPEG's error (PSNR 40 dB and more).
  const QImage picture = WavesAndBlocks(1201, 900);
  host.picture.AssignBitmap(picture);
  ASSERT_EQ(PrintToPdf(), 6);
  ASSERT_TRUE(RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-png"), setup.outputFile,
                                                    dir.File(QStringLiteral("image"))}));
  const QStringList images =
      QDir(dir.Path()).entryList({QStringLiteral("image-*.png")}, QDir::Files, QDir::Name);
  ASSERT_EQ(images.size(), 6);
  int widthOfARow = 0;
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE(testing::Message() << "sheet " << k + 1);
    const QImage embedded(dir.File(images[k]));
    ASSERT_FALSE(embedded.isNull());
    const QRect block = BlockOf(k, 1201, 900);
    ASSERT_EQ(embedded.size(), block.size());
    EXPECT_GE(Psnr(embedded, picture.copy(block)), 40.0);
    if (k % grid.rows == 0) widthOfARow += embedded.width();
  }
  // The blocks share their edges: the columns together are the picture's whole width.
  EXPECT_EQ(widthOfARow, 1201);
}

TEST_F(PdfSheetTest, ALosslessPictureKeepsEachBlocksPixelsExactly) {
  // The same poster with "Image sans perte": the PDF holds each block compressed without
  // loss, so every page image is its block of the picture pixel for pixel; without it the
  // blocks are JPEG (DCT) as before.
  const QImage picture = WavesAndBlocks(1201, 900);
  host.picture.AssignBitmap(picture);
  for (const bool lossless : {false, true}) {
    SCOPED_TRACE(lossless ? "lossless" : "JPEG");
    host.losslessPicture = lossless;
    ASSERT_EQ(PrintToPdf(), 6);
    QProcess list;
    list.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), setup.outputFile});
    ASSERT_TRUE(list.waitForFinished(120000));
    const QStringList rows =
        QString::fromUtf8(list.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_EQ(rows.size(), 6);
    for (const QString &row : rows) {
      const QStringList columns = row.simplified().split(u' ');
      ASSERT_GT(columns.size(), 8);
      EXPECT_EQ(columns[8], lossless ? QStringLiteral("image") : QStringLiteral("jpeg"))
          << row.toStdString();
    }
    if (!lossless) continue;
    const QString prefix = dir.File(QStringLiteral("exact"));
    ASSERT_TRUE(
        RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-png"), setup.outputFile, prefix}));
    for (int k = 0; k < 6; ++k) {
      SCOPED_TRACE(testing::Message() << "sheet " << k + 1);
      const QImage embedded =
          QImage(prefix + QStringLiteral("-%1.png").arg(k, 3, 10, QLatin1Char('0')))
              .convertToFormat(QImage::Format_RGB32);
      ASSERT_FALSE(embedded.isNull());
      EXPECT_EQ(embedded, picture.copy(BlockOf(k, 1201, 900)));
    }
  }
}
