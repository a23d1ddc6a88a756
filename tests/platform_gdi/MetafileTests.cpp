#include <gtest/gtest.h>
#include <QPainter>

#include <vector>

#include "Fixtures.h"
#include "RowName.h"
#include "TempDir.h"
#include "core/Errors.h"
#include "gdi/Picture.h"

namespace {

// Colour words of a COLORREF: red and green, then blue.
std::vector<int> Ref(int r, int g, int b) {
  return {r | g << 8, b};
}

// A red square filling the top-left quarter of a 100 x 100 window, no outline.
std::vector<WmfRecord> Quarter() {
  std::vector<int> brush = {0};
  for (int w : Ref(255, 0, 0)) brush.push_back(w);
  brush.push_back(0);
  return {
      {0x020B, {0, 0}},                                 // window origin
      {0x020C, {100, 100}},                             // window extent
      {0x02FC, brush},                                  // solid red brush, object 0
      {0x012D, {0}},        {0x02FA, {5, 0, 0, 0, 0}},  // null pen, object 1
      {0x012D, {1}},        {0x041B, {50, 50, 0, 0}},   // rectangle bottom, right, top, left
  };
}

QImage Play(const platform::Picture &picture, int side) {
  QImage image(side, side, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  picture.Draw(painter, image.rect());
  return image;
}

}  // namespace

TEST(Metafile, PlaceableMetafileHasItsFrameAndPlaysAsVectors) {
  TempDir dir;
  platform::Picture picture;
  picture.LoadFromFile(
      dir.Write(QStringLiteral("q.WMF"), WmfBytes(Quarter(), 1440, QRect(0, 0, 100, 100))));
  EXPECT_EQ(picture.GetKind(), platform::Picture::Kind::Metafile);
  // 100 units at 1440 a inch are 6.67 screen pixels.
  EXPECT_EQ(picture.Width(), 7);
  // Played large, the edge is sharp at the exact place: vectors, not an enlarged bitmap.
  const QImage big = Play(picture, 2000);
  EXPECT_EQ(QColor(big.pixel(998, 500)), QColor(Qt::red));
  EXPECT_EQ(QColor(big.pixel(1001, 500)), QColor(Qt::white));
  EXPECT_EQ(QColor(big.pixel(500, 1001)), QColor(Qt::white));
  const QImage small = Play(picture, 20);
  EXPECT_EQ(QColor(small.pixel(5, 5)), QColor(Qt::red));
  EXPECT_EQ(QColor(small.pixel(15, 15)), QColor(Qt::white));
}

TEST(Metafile, PlainMetafileTakesItsSizeFromItsWindow) {
  TempDir dir;
  platform::Picture picture;
  picture.LoadFromFile(dir.Write(QStringLiteral("plain.wmf"), WmfBytes(Quarter())));
  EXPECT_EQ(picture.Width(), 100);
  EXPECT_EQ(picture.Height(), 100);
  EXPECT_EQ(QColor(Play(picture, 100).pixel(25, 25)), QColor(Qt::red));
  platform::Picture copy = picture;  // the records are copied with the picture
  EXPECT_EQ(QColor(Play(copy, 100).pixel(25, 25)), QColor(Qt::red));
}

TEST(Metafile, CommonRecordsPlayInsideTheTarget) {
  std::vector<WmfRecord> records = Quarter();
  records.push_back({0x001E, {}});                 // save
  records.push_back({0x02FA, {0, 3, 0, 0, 255}});  // blue pen 3 wide (object 2)
  records.push_back({0x012D, {2}});
  records.push_back({0x0214, {90, 10}});                          // move to (10, 90)
  records.push_back({0x0213, {90, 90}});                          // line to (90, 90)
  records.push_back({0x0127, {static_cast<int>(uint16_t(-1))}});  // restore
  std::vector<int> poly = {3, 60, 60, 90, 60, 60, 80};            // triangle
  records.push_back({0x0324, poly});
  std::vector<int> text = {2};
  text.push_back('O' | 'K' << 8);
  text.push_back(5);
  text.push_back(60);
  records.push_back({0x0521, text});
  TempDir dir;
  platform::Picture picture;
  picture.LoadFromFile(dir.Write(QStringLiteral("many.wmf"), WmfBytes(records)));
  QImage image(300, 300, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    picture.Draw(painter, QRect(100, 100, 100, 100));
  }
  EXPECT_EQ(QColor(image.pixel(125, 125)), QColor(Qt::red));
  EXPECT_EQ(QColor(image.pixel(150, 190)), QColor(Qt::blue)) << "line with the selected pen";
  EXPECT_EQ(QColor(image.pixel(165, 165)), QColor(Qt::red)) << "polygon with the brush";
  EXPECT_EQ(QColor(image.pixel(99, 125)), QColor(Qt::white)) << "nothing outside the target";
  EXPECT_EQ(QColor(image.pixel(201, 190)), QColor(Qt::white));
}

namespace {

struct BrokenMetafileCase {
  const char *name;
  QByteArray bytes;
};
std::vector<BrokenMetafileCase> BrokenMetafileCases() {
  const QByteArray good = WmfBytes(Quarter());
  QByteArray longRecord = good;
  longRecord[18] = char(0x7f);  // first record claims more words than the file holds
  QByteArray badVersion = good;
  badVersion[4] = 9;
  return {
      {"empty", {}},
      {"header only, cut", good.left(10)},
      {"record beyond the end", longRecord},
      {"unknown version", badVersion},
      {"placeable with no units per inch",
       WmfBytes(Quarter(), 0).prepend(QByteArray("\xd7\xcd\xc6\x9a", 4) + QByteArray(18, '\0'))},
      {"cut in the middle of a record", good.left(good.size() - 8)},
      {"a plain file with nothing to size it by", WmfBytes({})},
  };
}
class BrokenMetafiles : public testing::TestWithParam<BrokenMetafileCase> {};

TEST_P(BrokenMetafiles, FailClearly) {
  const BrokenMetafileCase &c = GetParam();
  TempDir dir;
  int n = 0;
  SCOPED_TRACE(c.name);
  platform::Picture picture;
  EXPECT_THROW(picture.LoadFromFile(dir.Write(QStringLiteral("b%1.wmf").arg(n++), c.bytes)),
               platform::Failure);
  EXPECT_TRUE(picture.IsEmpty());
}
INSTANTIATE_TEST_SUITE_P(, BrokenMetafiles, testing::ValuesIn(BrokenMetafileCases()), ByRowName());

}  // namespace

TEST(Metafile, DamagedFilesNeverCrashTheReaderOrThePlayer) {
  // Every cut of a metafile with many kinds of records, and seeded byte damage: each
  // either loads and plays or fails with a Failure. The sanitizers watch the rest.
  std::vector<WmfRecord> records = Quarter();
  records.push_back(
      {0x0538, {2, 3, 3, 0, 0, 10, 0, 0, 10, 20, 20, 30, 20, 20, 30}});               // polypolygon
  records.push_back({0x0817, {0, 100, 100, 0, 80, 80, 0, 0}});                        // arc
  records.push_back({0x02FB, {-12, 0, 900, 0, 700, 0, 0, 0, 0, 'A' | 'r' << 8, 0}});  // font
  records.push_back({0x012D, {2}});
  records.push_back({0x0A32, {10, 10, 3, 0, 'a' | 'b' << 8, 'c'}});  // text
  records.push_back({0x0416, {90, 90, 5, 5}});                       // clip
  records.push_back(
      {0x0F43, {0x20, 0xCC, 0, 1, 1, 0, 0, 10, 10, 0, 0,  // DIB 1x1
                40,   0,    1, 0, 1, 0, 1, 24, 0,  0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00ff, 0}});
  const QByteArray good = WmfBytes(records, 96, QRect(0, 0, 100, 100));
  TempDir dir;
  const QString path = dir.File(QStringLiteral("d.wmf"));
  auto tryOne = [&](const QByteArray &bytes) {
    dir.Write(QStringLiteral("d.wmf"), bytes);
    platform::Picture picture;
    try {
      picture.LoadFromFile(path);
    } catch (const platform::Failure &) {
      return;
    }
    Play(picture, 40);
  };
  for (int cut = 0; cut <= good.size(); cut += 2) tryOne(good.left(cut));
  uint32_t seed = 12345;
  for (int round = 0; round < 300; ++round) {
    QByteArray damaged = good;
    for (int k = 0; k < 4; ++k) {
      seed = seed * 1103515245u + 12345u;
      damaged[int((seed >> 8) % uint32_t(damaged.size()))] = char(seed >> 24);
    }
    tryOne(damaged);
  }
  SUCCEED();
}
