#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>

#include "Binding.h"
#include "ImageView.h"
#include "RowName.h"
#include "TempDir.h"

using imagecomp::TImageView;

namespace {

// Pictures made by the test; the component reads them through the imaging libraries
// beside the test program.
class ImageViewLoading : public ::testing::Test {
 protected:
  QString Picture(const QString &name, int w, int h, const char *format) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 4 % 256, y * 4 % 256, 90));
    image.save(dir_.File(name), format);
    return dir_.File(name);
  }
  TempDir dir_;
};

}  // namespace

TEST_F(ImageViewLoading, AMissingFileLeavesAnEmptyPictureSilently) {
  TImageView view;
  int finished = 0;
  view.OnFinishedLoadSave = [&](TImageView *) { ++finished; };
  view.SetPictureImage(QImage(4, 4, QImage::Format_RGB32));
  view.SetImageName(QStringLiteral("file not found"));
  EXPECT_FALSE(view.Picture().HasContent());
  EXPECT_EQ(finished, 0);
  EXPECT_EQ(view.ImageName(), QStringLiteral("file not found"));
}

namespace {

struct ReadCase {
  const char *name, *format, *infoFormat;
};
const ReadCase kReadCases[] = {
    {"a.png", "PNG", "PNG"},   {"b.bmp", "BMP", "BMP"},  {"c.tif", "TIFF", "TIF"},
    {"d.TIFF", "TIFF", "TIF"}, {"e.jpg", "JPG", "JPEG"}, {"f.jpeg", "JPG", "JPEG"},
    {"g.data", "PNG", "PNG"},  // an unknown extension: the content decides
};
class ImageViewReads : public ImageViewLoading, public testing::WithParamInterface<ReadCase> {};

TEST_P(ImageViewReads, ByExtensionOrByContent) {
  const ReadCase &c = GetParam();
  SCOPED_TRACE(c.name);
  TImageView view;
  view.SetImageReadRes(imaging::lColorTrue);
  int finished = 0;
  view.OnFinishedLoadSave = [&](TImageView *) { ++finished; };
  view.SetImageName(Picture(QString::fromLatin1(c.name), 40, 30, c.format));
  ASSERT_TRUE(view.Picture().HasContent());
  EXPECT_EQ(view.Picture().ToImage().size(), QSize(40, 30));
  EXPECT_EQ(view.InfoFormat, QString::fromLatin1(c.infoFormat));
  EXPECT_EQ(view.InfoWidth, 40);
  EXPECT_EQ(finished, 1);
  // Lossless formats give back the exact pixels; JPEG is lossy (within 12 per channel).
  const QRgb got = view.Picture().ToImage().pixel(10, 5);
  const int tolerance = QByteArray(c.format) == "JPG" ? 12 : 0;
  EXPECT_NEAR(qRed(got), 40, tolerance);
  EXPECT_NEAR(qGreen(got), 20, tolerance);
  EXPECT_NEAR(qBlue(got), 90, tolerance);
}
INSTANTIATE_TEST_SUITE_P(, ImageViewReads, testing::ValuesIn(kReadCases), ByRowName());

}  // namespace

TEST_F(ImageViewLoading, AReaderFailureGoesToTheHandlerOrClearsThePicture) {
  // A PNG whose data is cut short: its description reads, its pixels do not.
  const QString good = Picture(QStringLiteral("cut.png"), 200, 200, "PNG");
  QFile file(good);
  file.open(QIODevice::ReadWrite);
  file.resize(file.size() / 2);
  file.close();

  TImageView quiet;
  int finished = 0;
  quiet.OnFinishedLoadSave = [&](TImageView *) { ++finished; };
  quiet.SetPictureImage(QImage(4, 4, QImage::Format_RGB32));
  EXPECT_NO_THROW(quiet.SetImageName(good));
  EXPECT_FALSE(quiet.Picture().HasContent());
  EXPECT_EQ(finished, 1) << "the load finishes even when it fails";

  TImageView handled;
  int16_t code = 0;
  QString text;
  handled.OnLibError = [&](TImageView *sender, int16_t c, const QString &t, const char *) {
    EXPECT_EQ(sender, &handled);
    code = c;
    text = t;
  };
  handled.SetImageName(good);
  EXPECT_LT(code, 0);
  EXPECT_FALSE(text.isEmpty());
}

TEST_F(ImageViewLoading, AnUnreadableDescriptionReachesTheCallerWithoutAHandler) {
  const QString junk = dir_.Write(QStringLiteral("junk.xyz"), QByteArray(64, '\x07'));
  TImageView view;
  EXPECT_THROW(view.SetImageName(junk), imaging::ErrorInvalid);
}

TEST_F(ImageViewLoading, SavingWritesTiffAndNeverRaises) {
  TImageView view;
  view.SetTifSaveCompress(imaging::sLZW);
  view.SetImageWriteRes(imaging::sColorTrue);
  int finished = 0;
  view.OnFinishedLoadSave = [&](TImageView *) { ++finished; };
  EXPECT_NO_THROW(view.SaveTiffFile(dir_.File("empty.tif")));  // no picture: nothing raised
  EXPECT_EQ(finished, 1);

  QImage picture(33, 17, QImage::Format_RGB32);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 33; ++x) picture.setPixel(x, y, qRgb(x * 7, y * 13, (x + y) * 3));
  view.SetPictureImage(picture);
  view.SaveTiffFile(dir_.File("scan1.tif"));
  EXPECT_EQ(finished, 2);
  EXPECT_EQ(view.DefSaveFilename(), dir_.File("scan1.tif"));
  TImageView back;
  back.SetImageReadRes(imaging::lColorTrue);
  back.SetImageName(dir_.File("scan1.tif"));
  ASSERT_EQ(back.Picture().ToImage().size(), QSize(33, 17));
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 33; ++x)
      ASSERT_EQ(back.Picture().ToImage().pixel(x, y) & 0xffffff, picture.pixel(x, y) & 0xffffff)
          << x << "," << y;
}

TEST_F(ImageViewLoading, ASaveThatFailsKeepsTheFileSavedLastTime) {
  TImageView view;
  view.SetTifSaveCompress(imaging::sLZW);
  QImage first(40, 30, QImage::Format_RGB32);
  first.fill(qRgb(10, 200, 30));
  view.SetPictureImage(first);
  const QString path = dir_.File("scan1.tif");
  view.SaveTiffFile(path);
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  const QByteArray good = saved.readAll();
  saved.close();

  // A bigger, noisy picture that cannot be written whole under a file-size limit below
  // its size; the signal past the limit stays as the application object set it.
  QImage second(400, 300, QImage::Format_RGB32);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) second.setPixel(x, y, qRgb(x * 31 % 256, y * 17 % 256, x ^ y));
  view.SetPictureImage(second);
  QString reported;
  view.OnLibError = [&](TImageView *, int16_t, const QString &text, const char *) {
    reported = text;
  };
  rlimit saved_limit{};
  getrlimit(RLIMIT_FSIZE, &saved_limit);
  rlimit limited = saved_limit;
  limited.rlim_cur = rlim_t(good.size()) + 2000;
  setrlimit(RLIMIT_FSIZE, &limited);
  view.SaveTiffFile(path);
  setrlimit(RLIMIT_FSIZE, &saved_limit);

  EXPECT_FALSE(reported.isEmpty()) << "the failed write was not reported";
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), good) << "the last good scan was destroyed";
  EXPECT_EQ(QDir(dir_.Path()).entryList(QDir::Files), QStringList{QStringLiteral("scan1.tif")});
}

TEST_F(ImageViewLoading, EveryFailedLoadSaysItsOwnReason) {
  // A first failure leaves a text behind; each case below must say its own.
  TImageView view;
  view.OnLibError = [](TImageView *, int16_t, const QString &, const char *) {};
  const QString junk = dir_.Write("junk.png", QByteArray(200, 'j'));
  view.SetImageName(junk);
  const QString earlier = imaging::Binding().LastErrorText;

  QString longName = dir_.Path();
  for (int i = 0; i < 3; ++i) {
    longName += QString(200, QChar(u'a' + i));
    QDir().mkpath(longName);
    longName += u'/';
  }
  longName += QStringLiteral("photo.png");
  QFile::copy(Picture("p.png", 40, 40, "PNG"), longName);
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir_.File("pipe.png")).constData(), 0600), 0);
  const struct {
    const char *name;
    QString path;
    const char *reason;
  } cases[] = {
      {"a picture under 30 bytes", dir_.Write("tiny.png", "\x89PNG"), "trop court"},
      {"a name longer than the libraries take", longName, "nom de fichier trop long"},
      {"a pipe, which must not block", dir_.File("pipe.png"), "pas un fichier ordinaire"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    QElapsedTimer clock;
    clock.start();
    try {
      view.SetImageName(c.path);
    } catch (const std::exception &) {
    }
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(view.Picture().HasContent());
    const QString text = view.LoadFailureText(c.path);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Image illisible : ") + c.path))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8(c.reason))) << text.toStdString();
    if (!earlier.isEmpty()) {
      EXPECT_FALSE(text.contains(earlier)) << "an earlier failure's text";
    }
  }
}
