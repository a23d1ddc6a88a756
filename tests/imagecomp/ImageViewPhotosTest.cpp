// The image component with today's photographs: HEIC, AVIF and WebP by extension and by
// content, and a phone photo stored on its side shown upright.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <functional>

#include "Binding.h"
#include "ImageView.h"
#include "PhotoFixtures.h"
#include "RowName.h"
#include "TempDir.h"

using imagecomp::TImageView;

namespace {

// Left half red, right half blue: 32 x 16, flat halves that lossy codecs keep.
QImage Halves() {
  QImage image(32, 16, QImage::Format_RGB32);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x)
      image.setPixel(x, y, x < 16 ? qRgb(200, 30, 40) : qRgb(30, 50, 200));
  return image;
}

bool Near(QRgb a, QRgb b, int tolerance) {
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Lossy files keep the flat halves within 16 per channel.
struct NewFormatCase {
  const char *file;
  std::function<bool(const QString &)> write;
  const char *infoFormat;
  // Asked when the row runs, not when the rows are listed: asking sets up the HEIF library,
  // which the imaging library's unloading in earlier tests would then take down again.
  std::function<bool()> available;
};
std::vector<NewFormatCase> NewFormatCases() {
  return {
      {"a.heic", [](const QString &p) { return WriteHeif(p, Halves(), HeifKind::Heic, 90); },
       "HEIC", [] { return CanWriteHeif(HeifKind::Heic); }},
      {"b.HEIF", [](const QString &p) { return WriteHeif(p, Halves(), HeifKind::Heic, 90); },
       "HEIC", [] { return CanWriteHeif(HeifKind::Heic); }},
      {"c.avif", [](const QString &p) { return WriteHeif(p, Halves(), HeifKind::Avif, 90); },
       "AVIF", [] { return CanWriteHeif(HeifKind::Avif); }},
      {"d.webp", [](const QString &p) { return WriteWebp(p, Halves(), 95); }, "WEBP",
       [] { return true; }},
      {"e.photo", [](const QString &p) { return WriteHeif(p, Halves(), HeifKind::Heic, 90); },
       "HEIC", [] { return CanWriteHeif(HeifKind::Heic); }},  // the content decides
      {"f.data", [](const QString &p) { return WriteWebp(p, Halves(), -1); }, "WEBP",
       [] { return true; }},
  };
}
class ImageViewNewFormats : public testing::TestWithParam<NewFormatCase> {};

TEST_P(ImageViewNewFormats, LoadByExtensionAndByContent) {
  const NewFormatCase &c = GetParam();
  TempDir dir;
  SCOPED_TRACE(c.file);
  if (!c.available()) GTEST_SKIP() << "this system cannot write the format";
  const QString path = dir.File(QString::fromLatin1(c.file));
  ASSERT_TRUE(c.write(path));
  TImageView view;
  view.SetImageReadRes(imaging::lColorTrue);
  int finished = 0;
  view.OnFinishedLoadSave = [&](TImageView *) { ++finished; };
  view.SetImageName(path);
  ASSERT_TRUE(view.Picture().HasContent());
  const QImage shown = view.Picture().ToImage();
  EXPECT_EQ(shown.size(), QSize(32, 16));
  EXPECT_EQ(view.InfoFormat, QString::fromLatin1(c.infoFormat));
  EXPECT_EQ(view.InfoWidth, 32);
  EXPECT_EQ(view.InfoHeight, 16);
  EXPECT_EQ(finished, 1);
  EXPECT_TRUE(Near(shown.pixel(4, 8), qRgb(200, 30, 40), 16));
  EXPECT_TRUE(Near(shown.pixel(27, 8), qRgb(30, 50, 200), 16));
}
INSTANTIATE_TEST_SUITE_P(, ImageViewNewFormats, testing::ValuesIn(NewFormatCases()),
                         [](const testing::TestParamInfo<NewFormatCase> &info) {
                           return RowName(info.param.file);
                         });

}  // namespace

TEST(ImageViewPhotos, APhotoStoredOnItsSideIsShownUpright) {
  TempDir dir;
  // Stored turned a quarter anticlockwise; orientation 6 asks for a quarter clockwise.
  QImage stored = Halves().transformed(QTransform().rotate(-90));
  const QString path = dir.File(QStringLiteral("phone.jpg"));
  ASSERT_TRUE(WriteJpegPhoto(path, stored, 95, {6, {}}));
  TImageView view;
  view.SetImageReadRes(imaging::lColorTrue);
  view.SetImageName(path);
  ASSERT_TRUE(view.Picture().HasContent());
  const QImage shown = view.Picture().ToImage();
  EXPECT_EQ(shown.size(), QSize(32, 16));
  EXPECT_EQ(view.InfoWidth, 32);
  EXPECT_EQ(view.InfoHeight, 16);
  EXPECT_TRUE(Near(shown.pixel(4, 8), qRgb(200, 30, 40), 12));
  EXPECT_TRUE(Near(shown.pixel(27, 8), qRgb(30, 50, 200), 12));
}
