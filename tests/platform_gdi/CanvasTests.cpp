#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "RowName.h"
#include "gdi/Canvas.h"
#include "gdi/DeviceBits.h"
#include "win32/WinQt.h"

namespace {

const QRgb kB = qRgb(0, 0, 0), kW = qRgb(255, 255, 255), kY = qRgb(255, 255, 0);

QImage White(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// The image as rows of characters: '#' black, 'y' yellow, '.' white, '?' anything else.
std::vector<std::string> Rows(const QImage &image) {
  std::vector<std::string> rows;
  for (int y = 0; y < image.height(); ++y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      row += p == kB ? '#' : p == kY ? 'y' : p == kW ? '.' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

TEST(Canvas, RectangleCoversLeftToRightMinusOneWithTheOutlineInside) {
  QImage image = White(8, 6);
  {
    platform::Canvas canvas(image);
    canvas.pen = {Qt::black, 1, platform::PenStyle::Solid};
    canvas.brush = {QColor(255, 255, 0), platform::BrushStyle::Solid};
    canvas.Rectangle(1, 1, 6, 5);
  }
  const std::vector<std::string> expected = {
      "........", ".#####..", ".#yyy#..", ".#yyy#..", ".#####..", "........",
  };
  EXPECT_EQ(Rows(image), expected);
}

namespace {

struct RectangleCase {
  const char *name;
  platform::Pen pen;
  platform::Brush brush;
  int l, t, r, b;
  std::vector<std::string> expected;
};
const RectangleCase kRectangleCases[] = {
    {"clear brush keeps the inside",
     {Qt::black, 1, platform::PenStyle::Solid},
     {Qt::yellow, platform::BrushStyle::Clear},
     0,
     0,
     4,
     3,
     {"####..", "#..#..", "####..", "......"}},
    {"reversed corners are the same rectangle",
     {Qt::black, 1, platform::PenStyle::Solid},
     {QColor(255, 255, 0), platform::BrushStyle::Solid},
     4,
     3,
     0,
     0,
     {"####..", "#yy#..", "####..", "......"}},
    {"a wide pen stays inside",
     {Qt::black, 2, platform::PenStyle::Solid},
     {QColor(255, 255, 0), platform::BrushStyle::Solid},
     0,
     0,
     5,
     4,
     {"#####.", "#####.", "#####.", "#####."}},
    {"a wide pen leaves the middle to the brush",
     {Qt::black, 1, platform::PenStyle::Solid},
     {QColor(255, 255, 0), platform::BrushStyle::Solid},
     1,
     0,
     6,
     4,
     {".#####", ".#yyy#", ".#yyy#", ".#####"}},
    {"an empty rectangle draws nothing",
     {Qt::black, 1, platform::PenStyle::Solid},
     {QColor(255, 255, 0), platform::BrushStyle::Solid},
     2,
     1,
     2,
     3,
     {"......", "......", "......", "......"}},
    {"dotted outline: three on, three off at 96 dots per inch, on around the corner",
     {Qt::black, 1, platform::PenStyle::Dot},
     {Qt::white, platform::BrushStyle::Clear},
     0,
     0,
     6,
     4,
     {"###...", ".....#", "#....#", "##...#"}},
};
class CanvasRectangle : public testing::TestWithParam<RectangleCase> {};

TEST_P(CanvasRectangle, Variants) {
  const RectangleCase &c = GetParam();
  SCOPED_TRACE(c.name);
  QImage image = White(6, 4);
  {
    platform::Canvas canvas(image);
    canvas.pen = c.pen;
    canvas.brush = c.brush;
    canvas.Rectangle(c.l, c.t, c.r, c.b);
  }
  EXPECT_EQ(Rows(image), c.expected);
}
INSTANTIATE_TEST_SUITE_P(, CanvasRectangle, testing::ValuesIn(kRectangleCases), ByRowName());

}  // namespace

TEST(Canvas, CopyRectIsAPlainBlockCopyAndIgnoresWhatLiesOutside) {
  QImage source = White(4, 4);
  source.setPixel(1, 1, kB);
  source.setPixel(3, 3, kY);
  QImage target = White(6, 6);
  {
    platform::Canvas from(source);
    platform::Canvas to(target);
    to.CopyRect(QRect(0, 0, 4, 4), from, QRect(1, 1, 4, 4));  // one column and row outside
  }
  EXPECT_EQ(target.pixel(0, 0), kB);
  EXPECT_EQ(target.pixel(2, 2), kY);
  EXPECT_EQ(target.pixel(3, 3), kW);  // outside the source: left as it was
}

namespace {

struct DeviceBitsCase {
  int bits;
  std::vector<uint8_t> firstRow;  // bytes of the top row, padding included
};
const DeviceBitsCase kDeviceBitsCases[] = {
    {4, {0x12, 0x30, 0x10, 0x00}},
    {8, {1, 2, 3, 0, 1, 0, 0, 0}},
    {24, {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0, 0, 0, 255, 0}},  // blue, green, red
};
class DeviceBitsRows : public testing::TestWithParam<DeviceBitsCase> {};

TEST_P(DeviceBitsRows, InTheBitmapsOwnDepth) {
  const DeviceBitsCase &c = GetParam();
  QImage indexed(5, 2, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)});
  const uchar values[2][5] = {{1, 2, 3, 0, 1}, {3, 3, 2, 1, 0}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) indexed.setPixel(x, y, values[y][x]);

  SCOPED_TRACE(c.bits);
  const auto sizes = platform::QueryDibSizes(indexed, c.bits);
  EXPECT_EQ(sizes.imageBytes, int64_t(c.firstRow.size()) * 2);
  std::vector<uint8_t> bits(size_t(sizes.imageBytes), 0);
  platform::DibHeader header;
  ASSERT_EQ(platform::GetDIBits(indexed, sizes, header, bits), 2);
  EXPECT_EQ(header.height, -2) << "top-down rows";
  EXPECT_EQ(std::vector<uint8_t>(bits.begin(), bits.begin() + c.firstRow.size()), c.firstRow);
  const QImage back = platform::ImageOfDib(bits, header);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(back.pixel(x, y), indexed.pixel(x, y)) << x << "," << y;
}
INSTANTIATE_TEST_SUITE_P(, DeviceBitsRows, testing::ValuesIn(kDeviceBitsCases),
                         [](const testing::TestParamInfo<DeviceBitsCase> &info) {
                           return "bits_" + RowName(info.param.bits);
                         });

}  // namespace

TEST(DeviceBits, BottomUpRowsAreShownTheRightWayRound) {
  platform::DibHeader header;
  header.width = 1;
  header.height = 2;  // bottom-up
  header.bitCount = 8;
  header.colors = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  const std::vector<uint8_t> bits = {0, 0, 0, 0, 1, 0, 0, 0};  // bottom row black
  const QImage image = platform::ImageOfDib(bits, header);
  EXPECT_EQ(image.pixel(0, 0), kW);
  EXPECT_EQ(image.pixel(0, 1), kB);
  EXPECT_TRUE(platform::ImageOfDib(std::vector<uint8_t>(3), header).isNull()) << "short buffer";
}

TEST(DeviceBits, StretchOnARasterDeviceIsNearestPixel) {
  QImage source(2, 1, QImage::Format_RGB32);
  source.setPixel(0, 0, kB);
  source.setPixel(1, 0, kY);
  const auto sizes = platform::QueryDibSizes(source, 0);
  std::vector<uint8_t> bits(size_t(sizes.imageBytes), 0);
  platform::DibHeader header;
  platform::GetDIBits(source, sizes, header, bits);
  QImage page = White(8, 3);
  {
    QPainter painter(&page);
    platform::Canvas canvas(painter, 96, true, true);
    EXPECT_EQ(platform::StretchDIBits(canvas, 1, 1, 6, 2, 0, 0, 2, 1, bits, header), 1);
  }
  const std::vector<std::string> expected = {"........", ".###yyy.", ".###yyy."};
  EXPECT_EQ(Rows(page), expected);
}

TEST(DeviceBits, DeepPicturesAtFewBitsTakeTheNearestStandardColour) {
  // More colours than 16: each pixel must take its nearest colour of the 16-colour table,
  // not an index cut to four bits, which would be some other colour.
  QImage picture(20, 1, QImage::Format_RGB32);
  for (int x = 0; x < 20; ++x) picture.setPixel(x, 0, qRgb(x * 12, 255 - x * 12, x % 2 ? 250 : 5));
  picture.setPixel(0, 0, qRgb(250, 5, 5));      // nearest: red
  picture.setPixel(1, 0, qRgb(5, 5, 250));      // nearest: blue
  picture.setPixel(2, 0, qRgb(190, 190, 190));  // nearest: light grey
  for (const int bits : {4, 1}) {
    SCOPED_TRACE(bits);
    const auto sizes = platform::QueryDibSizes(picture, bits);
    std::vector<uint8_t> rows(size_t(sizes.imageBytes), 0);
    platform::DibHeader header;
    ASSERT_EQ(platform::GetDIBits(picture, sizes, header, rows), 1);
    const QImage back = platform::ImageOfDib(rows, header);
    if (bits == 4) {
      EXPECT_EQ(back.pixel(0, 0), qRgb(255, 0, 0));
      EXPECT_EQ(back.pixel(1, 0), qRgb(0, 0, 255));
      EXPECT_EQ(back.pixel(2, 0), qRgb(192, 192, 192));
    } else {
      EXPECT_EQ(back.pixel(2, 0), kW) << "light grey is nearer white than black";
      EXPECT_EQ(back.pixel(1, 0), kB);
    }
  }
}

TEST(DeviceBits, TopDownRowsAreReadInPlace) {
  // A large sheet must not be copied once more on its way to the printer.
  QImage picture(5, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) picture.setPixel(x, y, qRgb(x * 50, y * 100, 77));
  for (const int bits : {8, 24, 32}) {
    SCOPED_TRACE(bits);
    const auto sizes = platform::QueryDibSizes(picture, bits);
    std::vector<uint8_t> rows(size_t(sizes.imageBytes), 0);
    platform::DibHeader header;
    ASSERT_EQ(platform::GetDIBits(picture, sizes, header, rows), 3);
    const QImage image = platform::ImageOfDib(rows, header);
    EXPECT_EQ(image.constBits(), rows.data());
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(image.pixel(x, y), picture.pixel(x, y)) << x << "," << y;
  }
}

TEST(DeviceBits, RowsReadTheSameThroughTheWindowsShapedCalls) {
  // The printing path's rows, packed behind a header, are a DIB like any other.
  QImage picture(7, 3, QImage::Format_Indexed8);
  picture.setColorTable({kB, kW, kY, qRgb(0, 0, 255), qRgb(8, 16, 24)});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) picture.setPixel(x, y, uint((x + y) % 5));
  for (const int bits : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    const auto sizes = platform::QueryDibSizes(picture, bits);
    std::vector<uint8_t> rows(size_t(sizes.imageBytes), 0);
    platform::DibHeader header;
    ASSERT_EQ(platform::GetDIBits(picture, sizes, header, rows), 3);
    std::vector<uint8_t> packed(40 + 4 * size_t(header.colors.size()));
    auto *h = reinterpret_cast<BITMAPINFOHEADER *>(packed.data());
    *h = {40,
          header.width,
          header.height,
          1,
          WORD(bits),
          BI_RGB,
          DWORD(rows.size()),
          0,
          0,
          DWORD(header.colors.size()),
          0};
    for (int i = 0; i < header.colors.size(); ++i) {
      const QRgb c = header.colors[i];
      const RGBQUAD quad = {BYTE(qBlue(c)), BYTE(qGreen(c)), BYTE(qRed(c)), 0};
      std::memcpy(packed.data() + 40 + 4 * size_t(i), &quad, 4);
    }
    packed.insert(packed.end(), rows.begin(), rows.end());
    const QImage windows = ImageFromPackedDib(packed.data(), packed.size());
    const QImage printing = platform::ImageOfDib(rows, header);
    ASSERT_FALSE(windows.isNull());
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x)
        EXPECT_EQ(printing.pixel(x, y), windows.pixel(x, y)) << x << "," << y;
  }
}
