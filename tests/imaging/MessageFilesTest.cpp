#include <QDir>
#include <QPainter>

#include "ImagingFixture.h"
#include "MessageFiles.h"
#include "RowName.h"
#include "core/Errors.h"
#include "win32/WinQt.h"

using namespace imaging;

using MessageFiles = ImagingTest;

TEST_F(MessageFiles, TickerValuesAreTakenBetweenTheirTags) {
  const QString file = files.Write(
      "a.scm", "/fc|65280/fh|-20/fn|Arial/fs|12/ft|0110/bc|16711680/sp|3/sm|Hello there/eo|");
  TFont font;
  int speed = 0, background = 0;
  QString message;
  ASSERT_TRUE(ParseTickerFile(file, font, speed, background, message));
  EXPECT_EQ(font.Color, 65280) << "a tag at the very start counts";
  EXPECT_EQ(font.Height, -20);
  EXPECT_EQ(font.Name, "Arial");
  EXPECT_EQ(font.Size, 12);
  EXPECT_FALSE(font.Bold);
  EXPECT_TRUE(font.Italic);
  EXPECT_TRUE(font.Underline);
  EXPECT_FALSE(font.StrikeOut);
  EXPECT_EQ(background, 16711680);
  EXPECT_EQ(speed, 3);
  EXPECT_EQ(message, "Hello there");
}

TEST_F(MessageFiles, MissingAndEmptyTickerValues) {
  // No "/sm|": the default message; "/fs|" empty: size unchanged; no colour tags: defaults.
  const QString file = files.Write("b.scm", "/fn|Courier/fs|/ft|1/bc|");
  TFont font;
  font.Size = 33;
  int speed = 7, background = 0;
  QString message;
  ASSERT_TRUE(ParseTickerFile(file, font, speed, background, message));
  EXPECT_EQ(message, " Invallid message format ! ");
  EXPECT_EQ(font.Size, 33);
  EXPECT_EQ(speed, 1);
  EXPECT_EQ(font.Color, 255);
  EXPECT_EQ(font.Height, -13);
  EXPECT_EQ(background, 128);
  EXPECT_EQ(font.Name, "Courier");
}

TEST_F(MessageFiles, AnEndTagBeforeItsStartTagLeavesTheValueAlone) {
  const QString file = files.Write("c.scm", "/sm|hi/eo|/sp|9");
  TFont font;
  int speed = 7, background = 0;
  QString message;
  ASSERT_TRUE(ParseTickerFile(file, font, speed, background, message));
  EXPECT_EQ(speed, 7);
  EXPECT_EQ(message, "hi");
}

TEST_F(MessageFiles, ATickerValueThatIsNotANumberRaisesTheConversionError) {
  TFont font;
  int speed = 0, background = 0;
  QString message;
  EXPECT_THROW(
      ParseTickerFile(files.Write("c.scm", "/sp|fast/sm|"), font, speed, background, message),
      platform::ConvertError);
  EXPECT_FALSE(ParseTickerFile(files.File("missing.scm"), font, speed, background, message));
}

// The seven settings of a credits file after its title.
const QByteArray kCreditsSettings = "title\r\n255\r\n-12\r\nArial\r\n10\r\n1000\r\n65535\r\n2\r\n";

namespace {

struct CreditsCase {
  const char *name;
  QByteArray content;
  int lines;
};
const CreditsCase kCreditsCases[] = {
    {"exactly 8 lines", kCreditsSettings, 0},
    {"two more lines", kCreditsSettings + QByteArray("Hello\r\nWorld\r\n"), 2},
    {"an empty line kept", kCreditsSettings + QByteArray("\r\nEnd"), 2},
};
class CreditsLines : public MessageFiles, public testing::WithParamInterface<CreditsCase> {};

TEST_P(CreditsLines, FollowTheSevenSettings) {
  const CreditsCase &c = GetParam();
  SCOPED_TRACE(c.name);
  TFont font;
  int speed = 0, background = 0;
  QStringList lines = {"old"};
  ASSERT_TRUE(ParseCreditsFile(files.Write("a.cms", c.content), font, speed, background, lines));
  EXPECT_EQ(lines.size(), c.lines);
  EXPECT_EQ(font.Color, 255);
  EXPECT_EQ(font.Name, "Arial");
  EXPECT_TRUE(font.Bold);
  EXPECT_FALSE(font.Italic);
  EXPECT_EQ(background, 65535);
  EXPECT_EQ(speed, 2);
}
INSTANTIATE_TEST_SUITE_P(, CreditsLines, testing::ValuesIn(kCreditsCases), ByRowName());

}  // namespace

TEST_F(MessageFiles, ShortOrMissingCreditsFiles) {
  TFont font;
  int speed = 0, background = 0;
  QStringList lines = {"old"};
  EXPECT_FALSE(ParseCreditsFile(files.File("missing.cms"), font, speed, background, lines));
  EXPECT_TRUE(lines.isEmpty()) << "cleared first";
  EXPECT_THROW(ParseCreditsFile(files.Write("short.cms", "a\n1\n2\nb\n3\n0\n4\n"), font, speed,
                                background, lines),
               platform::Failure);
}

TEST_F(MessageFiles, ResourceBitmapsAreFoundByNameOrNumber) {
  QImage picture(5, 3, QImage::Format_Indexed8);
  picture.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
  picture.fill(0);
  picture.setPixel(4, 2, 1);
  ASSERT_TRUE(picture.save(files.File("logo.bmp"), "BMP"));
  ASSERT_TRUE(picture.save(files.File("101.bmp"), "BMP"));
  const QStringList old = QDir::searchPaths("bitmaps");
  QDir::setSearchPaths("bitmaps", {files.Path()});
  for (const QString &name : {BareFileName("C:\\X\\LOGO.BMP.RES"), QString("101")}) {
    SCOPED_TRACE(name.toStdString());
    TBitmap bitmap;
    ASSERT_TRUE(LoadResourceBitmap("", name, nullptr, bitmap));
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(PaletteColors(bitmap.Palette()).value(1), qRgb(0, 0, 255));
    const QImage image = bitmap.ToImage();
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(4, 2), qRgb(0, 0, 255));
  }
  TBitmap none;
  EXPECT_FALSE(LoadResourceBitmap("", "NOTHERE", nullptr, none));
  EXPECT_FALSE(LoadResourceBitmap("OTHER.DLL", "LOGO", nullptr, none));
  QDir::setSearchPaths("bitmaps", old);
}

TEST_F(MessageFiles, ShadowTextDrawsTheShadowFirstThenTheText) {
  QImage canvas(60, 30, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  TFont font;
  font.Name = "Sans";
  font.Height = -16;
  font.Color = int(RGB(255, 0, 0));
  {
    QPainter painter(&canvas);
    DrawShadowText(2, 2, 0, &font, &painter, true, true, int(RGB(0, 0, 255)), "HH");
    DrawShadowText(2, 2, 0, nullptr, &painter, true, true, 0, "ignored");
  }
  bool red = false, blue = false;
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      red = red || canvas.pixel(x, y) == qRgb(255, 0, 0);
      blue = blue || canvas.pixel(x, y) == qRgb(0, 0, 255);
    }
  EXPECT_TRUE(red);
  EXPECT_TRUE(blue);
}

TEST(BlitModes, OnlyOneBitPicturesChangeTheStretchMode) {
  HDC dc = GetDC(nullptr);
  struct Case {
    int bits;
    TBlitMode mode;
    int stretch;
  };
  for (Case c : {Case{1, sLight, COLORONCOLOR}, Case{1, sDark, BLACKONWHITE},
                 Case{1, sLightest, WHITEONBLACK}, Case{8, sDark, COLORONCOLOR},
                 Case{2, sLightest, COLORONCOLOR}}) {
    ApplyBlitMode(c.bits, c.mode, dc);
    EXPECT_EQ(GetStretchBltMode(dc), c.stretch) << c.bits << " " << c.mode;
  }
  ReleaseDC(nullptr, dc);
}
