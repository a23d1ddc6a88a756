// TIFF writing and reading back: every compression at every depth, pages appended to a
// file, and the page information.
#include <gtest/gtest.h>

#include "Fixtures.h"
#include "Support.h"
#include "TempDir.h"

namespace {

struct Source {
  const char *name;
  QImage image;
  int bits;
};

TEST(Tiff, EveryCompressionRoundTrips) {
  const std::vector<Source> sources = {
      {"1 bit", Indexed(41, 17, 2), 1},
      {"4 bits", Indexed(41, 17, 16), 4},
      {"8 bits", Indexed(41, 17, 200), 8},
      {"24 bits", Pattern(41, 17), 24},
  };
  const uint16_t compressions[] = {1, 2, 3, 4, 5, 32773};
  for (const Source &s : sources) {
    for (uint16_t compression : compressions) {
      SCOPED_TRACE(std::string(s.name) + ", compression " + std::to_string(compression));
      TempDir dir;
      const QByteArray path = Path(dir.File("r.tif"));
      HGLOBAL in = MakeDib(s.image, s.bits);
      const int16_t w =
          CRDE(writetiffiledib)(path.constData(), compression, 0, 0, in, nullptr, nullptr, 0);
      ASSERT_GT(w, 0) << FailureText(w);
      const bool fax = compression >= 2 && compression <= 4;
      int32_t width = 0, height = 0, pages = 0, ignored = 7;
      uint16_t code = 0, bpp = 0;
      ASSERT_GE(CRDE(getinfo)(path.constData(), 0, &width, &height, &code, &ignored, &pages, &bpp),
                0);
      EXPECT_EQ(width, 41);
      EXPECT_EQ(height, 17);
      EXPECT_EQ(code, compression);
      EXPECT_EQ(pages, 1);
      EXPECT_EQ(bpp, fax ? 1 : s.bits);
      HGLOBAL out = nullptr;
      const int16_t r = CRDE(readtiffiledib)(path.constData(), 0, 0, 0, &out, nullptr, nullptr, 0);
      ASSERT_GT(r, 0) << FailureText(r);
      DibFacts f = TakeDib(out);
      EXPECT_EQ(f.bits, fax ? 1 : s.bits);
      if (!fax || s.bits == 1) {
        EXPECT_EQ(Compare(s.image.convertToFormat(QImage::Format_RGB32), f.image), "");
      }
      GlobalFree(in);
    }
  }
}

TEST(Tiff, RequestedDepthIsWritten) {
  TempDir dir;
  const QByteArray path = Path(dir.File("d.tif"));
  HGLOBAL in = MakeDib(Indexed(20, 10, 12), 8);
  for (uint16_t bits : {1, 4, 8, 24}) {
    SCOPED_TRACE(bits);
    ASSERT_GT(CRDE(writetiffiledib)(path.constData(), 5, bits, 0, in, nullptr, nullptr, 0), 0);
    int32_t w, h, pages, ignored;
    uint16_t code, bpp;
    ASSERT_GE(CRDE(getinfo)(path.constData(), 0, &w, &h, &code, &ignored, &pages, &bpp), 0);
    EXPECT_EQ(bpp, bits);
  }
  GlobalFree(in);
}

TEST(Tiff, PagesAppendAndReadBack) {
  TempDir dir;
  const QByteArray path = Path(dir.File("pages.tif"));
  const QImage pages[3] = {Pattern(30, 20), Indexed(25, 15, 100), Indexed(10, 40, 2)};
  const int bits[3] = {24, 8, 1};
  for (int i = 0; i < 3; ++i) {
    HGLOBAL in = MakeDib(pages[i], bits[i]);
    const int16_t r = CRDE(writetiffiledib)(path.constData(), i == 2 ? 4 : 5, 0, i > 0 ? 1 : 0, in,
                                            nullptr, nullptr, 0);
    ASSERT_GT(r, 0) << FailureText(r);
    GlobalFree(in);
  }
  // Pages count from 1; 0 is the first page too.
  for (uint16_t page = 1; page <= 3; ++page) {
    SCOPED_TRACE(page);
    const int i = page - 1;
    int32_t w = 0, h = 0, count = 0, ignored = 0;
    uint16_t code = 0, bpp = 0;
    ASSERT_GE(CRDE(getinfo)(path.constData(), page, &w, &h, &code, &ignored, &count, &bpp), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(w, pages[i].width());
    EXPECT_EQ(bpp, bits[i]);
    HGLOBAL out = nullptr;
    ASSERT_GT(CRDE(readtiffiledib)(path.constData(), 0, 0, page, &out, nullptr, nullptr, 0), 0);
    EXPECT_EQ(Compare(pages[i].convertToFormat(QImage::Format_RGB32), TakeDib(out).image), "");
  }
  HGLOBAL out = nullptr;
  ASSERT_GT(CRDE(readtiffiledib)(path.constData(), 0, 0, 0, &out, nullptr, nullptr, 0), 0);
  EXPECT_EQ(TakeDib(out).width, pages[0].width());
  EXPECT_EQ(CRDE(readtiffiledib)(path.constData(), 0, 0, 4, &out, nullptr, nullptr, 0),
            MX_ERR_NO_PAGE);
  int32_t w, h, count, ignored;
  uint16_t code, bpp;
  EXPECT_EQ(CRDE(getinfo)(path.constData(), 5, &w, &h, &code, &ignored, &count, &bpp),
            MX_ERR_NO_PAGE);
  // Writing without append starts the file again.
  HGLOBAL in = MakeDib(Pattern(5, 5), 24);
  ASSERT_GT(CRDE(writetiffiledib)(path.constData(), 1, 0, 0, in, nullptr, nullptr, 0), 0);
  ASSERT_GE(CRDE(getinfo)(path.constData(), 0, &w, &h, &code, &ignored, &count, &bpp), 0);
  EXPECT_EQ(count, 1);
  GlobalFree(in);
}

TEST(Tiff, WriteFailures) {
  TempDir dir;
  HGLOBAL in = MakeDib(Pattern(5, 5), 24);
  const QByteArray path = Path(dir.File("x.tif"));
  EXPECT_EQ(CRDE(writetiffiledib)(path.constData(), 7, 0, 0, in, nullptr, nullptr, 0),
            MX_ERR_BAD_COMPRESSION);
  EXPECT_EQ(CRDE(writetiffiledib)(path.constData(), 1, 3, 0, in, nullptr, nullptr, 0),
            MX_ERR_BAD_DEPTH);
  EXPECT_EQ(CRDE(writetiffiledib)("/nonexistent-folder/x.tif", 1, 0, 0, in, nullptr, nullptr, 0),
            MX_ERR_CANNOT_CREATE);
  EXPECT_EQ(CRDE(writetiffiledib)(path.constData(), 1, 0, 0, nullptr, nullptr, nullptr, 0),
            MX_ERR_BAD_ARGUMENT);
  // Appending to a file that is not a TIFF leaves it alone.
  const QByteArray other = Path(dir.Write("other.tif", QByteArray(100, 'x')));
  EXPECT_EQ(CRDE(writetiffiledib)(other.constData(), 1, 0, 1, in, nullptr, nullptr, 0),
            MX_ERR_NOT_TIFF);
  GlobalFree(in);
  HGLOBAL broken = GlobalAlloc(GHND, 20);
  EXPECT_EQ(CRDE(writetiffiledib)(path.constData(), 1, 0, 0, broken, nullptr, nullptr, 0),
            MX_ERR_BAD_DIB);
  GlobalFree(broken);
}

}  // namespace
