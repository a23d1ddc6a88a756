// Broken files: every reader, given files cut short or with bytes changed, answers with a
// failure and its text or with a sound picture, and never crashes (these tests run under
// AddressSanitizer and UndefinedBehaviorSanitizer).
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <functional>
#include <random>

#include "Fixtures.h"
#include "PhotoFixtures.h"
#include "RowName.h"
#include "Support.h"
#include "TempDir.h"

namespace {

using Reader = std::function<int16_t(const QByteArray &path, HGLOBAL *dib)>;

struct Corpus {
  const char *name;
  QByteArray bytes;
  Reader read;
  // Files cut short fail only when cut before this many bytes from the end (trailers the
  // reader does not need, such as the GIF terminator, may go).
  int optionalTail;
};

QByteArray QtBytes(const QImage &image, const char *format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  writer.write(image);
  return bytes;
}

QByteArray FileBytes(const QString &path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}

std::vector<Corpus> Corpora(const TempDir &dir) {
  const QImage pattern = Pattern(33, 21);
  const QImage i200 = Indexed(33, 21, 200);
  const QString gifPath = dir.File("src.gif");
  WriteGif(gifPath, i200);
  const Ycc quadrants[4] = {{0, 156, 137}, {188, 156, 137}, {94, 156, 137}, {60, 120, 230}};
  const Reader heif = [](const QByteArray &p, HGLOBAL *d) {
    return CRDE(rdheiffiledib)(p, 0, 0, d, nullptr, nullptr, nullptr, 0);
  };
  const Reader webp = [](const QByteArray &p, HGLOBAL *d) {
    return CRDE(rdwebpfiledib)(p, 0, 0, d, nullptr, nullptr, nullptr, 0);
  };
  auto written = [&](const char *name, const std::function<bool(const QString &)> &write) {
    const QString path = dir.File(QString::fromLatin1(name));
    return write(path) ? FileBytes(path) : QByteArray();
  };
  std::vector<Corpus> photos = {
      {"WEBP lossy",
       written("src.webp", [&](const QString &p) { return WriteWebp(p, pattern, 80); }), webp, 0},
      {"WEBP lossless",
       written("src2.webp", [&](const QString &p) { return WriteWebp(p, pattern, -1); }), webp, 0},
      {"WEBP animation",
       written("src3.webp", [&](const QString &p) { return WriteWebp(p, pattern, -1, {}, 2); }),
       webp, 0},
  };
  if (CanWriteHeif(HeifKind::Heic))
    photos.push_back(
        {"HEIC",
         written("src.heic",
                 [&](const QString &p) { return WriteHeif(p, pattern, HeifKind::Heic, 80); }),
         heif, 0});
  if (CanWriteHeif(HeifKind::Avif))
    photos.push_back(
        {"AVIF",
         written("src.avif",
                 [&](const QString &p) { return WriteHeif(p, pattern, HeifKind::Avif, 80); }),
         heif, 0});
  std::vector<Corpus> all = {
      {"BMP", BmpBytes(pattern, 24),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(rdbmpfiledib)(p, 0, 0, d, nullptr, nullptr, nullptr, 0);
       },
       0},
      {"BMP RLE", BmpBytes(i200, 8, false, true),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(rdbmpfiledib)(p, 0, 0, d, nullptr, nullptr, nullptr, 0);
       },
       0},
      {"JPEG", QtBytes(pattern, "jpeg"),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(rdjpgfiledib)(p, 0, 1, 0, d, nullptr, nullptr, nullptr, 0);
       },
       0},
      {"PNG", QtBytes(pattern.convertToFormat(QImage::Format_RGB888), "png"),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(rdpngfiledib)(p, 0, 0, d, nullptr, nullptr, nullptr, 0);
       },
       0},
      {"GIF", FileBytes(gifPath),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(rdgiffiledib)(p, 0, 0, d, nullptr, nullptr, nullptr, nullptr, 0);
       },
       1},
      {"TIFF", QtBytes(pattern.convertToFormat(QImage::Format_RGB888), "tiff"),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(readtiffiledib)(p, 0, 0, 0, d, nullptr, nullptr, 0);
       },
       0},
      {"TIFF into the program's rows",
       QtBytes(pattern.convertToFormat(QImage::Format_RGB888), "tiff"),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(readtiffiledib)(p, MX_PROGRAM_ROWS, 0, 0, d, nullptr, nullptr, 0);
       },
       0},
      {"16-bit TIFF into the program's rows",
       QtBytes(pattern.convertToFormat(QImage::Format_RGBX64), "tiff"),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(readtiffiledib)(p, MX_PROGRAM_ROWS, 0, 0, d, nullptr, nullptr, 0);
       },
       0},
      {"PCX", PcxBytes(i200, 8),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(rdpcxfiledib)(p, 0, 0, d, nullptr, nullptr, nullptr, 0);
       },
       0},
      {"PCX 24", PcxBytes(pattern, 24),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(rdpcxfiledib)(p, 0, 0, d, nullptr, nullptr, nullptr, 0);
       },
       0},
      {"TGA", TgaBytes(pattern, 2, 24, false, false),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(readtgafiledib)(p, 0, 0, d, nullptr, nullptr, 0);
       },
       0},
      {"TGA RLE", TgaBytes(i200, 9, 24, false, false),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(readtgafiledib)(p, 0, 0, d, nullptr, nullptr, 0);
       },
       0},
      {"PCD", PcdBytes(quadrants),
       [](const QByteArray &p, HGLOBAL *d) {
         return CRDE(readpcdfiledib)(p, 0, 0, 2, d, nullptr, nullptr, 0);
       },
       0},
  };
  all.insert(all.end(), photos.begin(), photos.end());
  return all;
}

// A sound result: a failure with a text and no picture, or a picture whose block is sound.
void ExpectSound(int16_t result, HGLOBAL dib) {
  if (result > 0) {
    ASSERT_NE(dib, nullptr);
    DibFacts f = TakeDib(dib);
    EXPECT_TRUE(f.valid);
    EXPECT_GT(f.width, 0);
    EXPECT_GT(f.height, 0);
  } else {
    EXPECT_EQ(dib, nullptr);
    EXPECT_FALSE(FailureText(result).empty()) << result;
  }
}

TEST(Robustness, FilesCutShortFail) {
  TempDir dir;
  for (const Corpus &c : Corpora(dir)) {
    SCOPED_TRACE(c.name);
    const int size = static_cast<int>(c.bytes.size());
    std::vector<int> cuts = {1,
                             10,
                             29,
                             30,
                             64,
                             size / 4,
                             size / 2,
                             size - 100,
                             size - 2 - c.optionalTail,
                             size - 1 - c.optionalTail};
    for (int cut : cuts) {
      if (cut <= 0 || cut >= size) continue;
      SCOPED_TRACE("cut at " + std::to_string(cut) + " of " + std::to_string(size));
      const QByteArray path = Path(dir.Write(QStringLiteral("cut.bin"), c.bytes.left(cut)));
      HGLOBAL dib = nullptr;
      const int16_t r = c.read(path, &dib);
      EXPECT_LE(r, 0);
      ExpectSound(r, dib);
    }
  }
}

TEST(Robustness, FilesWithChangedBytesNeverCrash) {
  TempDir dir;
  std::mt19937 random(20260);  // fixed seed: the same corpus on every run
  for (const Corpus &c : Corpora(dir)) {
    SCOPED_TRACE(c.name);
    for (int variant = 0; variant < 60; ++variant) {
      QByteArray bytes = c.bytes;
      const int changes = 1 + variant % 4;
      for (int k = 0; k < changes; ++k) {
        // Headers matter most: half of the changes fall in the first 64 bytes.
        const int span = (k % 2 == 0) ? std::min<int>(64, static_cast<int>(bytes.size()))
                                      : static_cast<int>(bytes.size());
        const int at = static_cast<int>(random() % static_cast<unsigned>(span));
        bytes[at] = static_cast<char>(variant % 3 == 0 ? 0xFF : bytes[at] ^ (1 << (random() % 8)));
      }
      SCOPED_TRACE("variant " + std::to_string(variant));
      const QByteArray path = Path(dir.Write(QStringLiteral("flip.bin"), bytes));
      HGLOBAL dib = nullptr;
      const int16_t r = c.read(path, &dib);
      ExpectSound(r, dib);
    }
  }
}

TEST(Robustness, InfoEntriesOnBrokenFiles) {
  TempDir dir;
  for (const Corpus &c : Corpora(dir)) {
    SCOPED_TRACE(c.name);
    for (int cut : {1, 20, 100, static_cast<int>(c.bytes.size()) / 2}) {
      const QByteArray path = Path(dir.Write(QStringLiteral("info.bin"), c.bytes.left(cut)));
      char type[6], compression[26];
      uint16_t w, h, bpp, pages, dpi;
      const int16_t r =
          CRDE(fileinfo)(path.constData(), type, &w, &h, &bpp, &pages, &dpi, compression, 0);
      if (r <= 0) {
        EXPECT_FALSE(FailureText(r).empty());
      }
      int32_t tw, th, count, ignored;
      uint16_t code, tbpp;
      CRDE(getinfo)(path.constData(), 0, &tw, &th, &code, &ignored, &count, &tbpp);
      CRDE(getdxfinfo)(path.constData(), &w, &h, &bpp);
    }
  }
}

TEST(Robustness, BrokenDxfAndEpsFiles) {
  TempDir dir;
  const QByteArray dxf = DxfBytes();
  for (int cut = 10; cut < dxf.size(); cut += 37) {
    const QByteArray path = Path(dir.Write(QStringLiteral("cut.dxf"), dxf.left(cut)));
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    const int16_t r =
        CRDE(readdxftoddb)(path.constData(), 0, 0, &bitmap, &palette, nullptr, nullptr, 0);
    if (r > 0) {
      EXPECT_NE(bitmap, nullptr);
      DeleteObject(bitmap);
    } else {
      EXPECT_EQ(bitmap, nullptr);
      EXPECT_FALSE(FailureText(r).empty());
    }
  }
  const QByteArray eps = EpsBytes(40, 20);
  for (int cut : {20, 60, static_cast<int>(eps.size()) / 2}) {
    const QByteArray path = Path(dir.Write(QStringLiteral("cut.eps"), eps.left(cut)));
    HGLOBAL dib = nullptr;
    const int16_t r = CRDE(readepsfiledib)(path.constData(), 0, 0, &dib, nullptr, nullptr, 0);
    ExpectSound(r, dib);
  }
}

// Inputs the fuzz targets found to fail; each stays here as a test.
struct Finding {
  const char *what;
  const char *base64;
};

const Finding kFindings[] = {
    // A DXF drawing whose extent is a few denormal units: the scale overflowed to infinity
    // and its conversion to pixels was undefined.
    {"dxf with a vanishing extent",
     "ICAwClNFQ1RJT04KICAyCkVOVElUSUVTCiAgMApMSU5FCiAgOAowCiAxMAoKMTU4LjAKIDIwCjUwLjAKIDMwCjAuMAogN"
     "DAKMj"
     "AuMAogNTAKMC4wCiA1MQoxODAuMAogIDAKVEVYVAogIDgKMAogMTAKMTAuMAogMjAKODAuMAogMzAKMC4wCiA0MAoxMC4"
     "wCiAg"
     "/wpNVVJBTElYCiAgMApFTkRTRUMKICAwCkVPRgo="},
};

class FuzzFindings : public testing::TestWithParam<Finding> {};

TEST_P(FuzzFindings, StayFixed) {
  const Finding &f = GetParam();
  TempDir dir;

  SCOPED_TRACE(f.what);
  const QByteArray path =
      Path(dir.Write(QStringLiteral("finding.bin"), QByteArray::fromBase64(f.base64)));
  char type[6], compression[26];
  uint16_t w = 0, h = 0, bpp = 0, pages = 0, dpi = 0;
  const int16_t r =
      CRDE(fileinfo)(path.constData(), type, &w, &h, &bpp, &pages, &dpi, compression, 0);
  if (r > 0) {
    EXPECT_GT(w, 0);
    EXPECT_LE(w, 1024);
  }
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
  if (CRDE(readdxftoddb)(path.constData(), 0, 0, &bitmap, &palette, nullptr, nullptr, 0) > 0)
    DeleteObject(bitmap);
  for (int bits : {0, 8}) {
    HGLOBAL dib = nullptr;
    const int16_t read =
        CRDE(rdbmpfiledib)(path.constData(), bits, 0, &dib, nullptr, nullptr, nullptr, 0);
    ExpectSound(read, dib);
  }
}
INSTANTIATE_TEST_SUITE_P(, FuzzFindings, testing::ValuesIn(kFindings),
                         [](const testing::TestParamInfo<Finding> &info) {
                           return RowName(info.param.what);
                         });

// A HEIC file of 1 KB, found by the fuzzer, that declares a 12 x 16 picture whose coded
// stream is 28 009 x 26 161: it must be refused as damaged before the decoder allocates
// the stream's size (it took minutes and gigabytes). The peak memory tells.
constexpr const char *kHeifBomb =
    "AAAAHGZ0eXBoZWljAAAAAG1pZjFoZWljbWlhZgAABBhtZXRhAAAAAAAAACH///////8CcQAAAABwaWN0AAAAAAAAAAAA"
    "AAAAAAAAAA5waXRtAAAAAAACAAAAEGlkYXQAAAAAABAADAAAADhpbG9jAQAAAERAAAIAAQAAAAAAAAQ8AAEAAAAAAAAA"
    "bwACAAAAAAAAAAwAAQAAAAAAAAAIAAAAOGlpbmYAAAAAAAIAAAAVaW5mZQIAAAEAAQAAaHZjMQAAAAAVaW5mZQIAAAAA"
    "AgAAZ3JpZAAAAANDaXBycAAAAx9pcGNvAAAAdmh2Y0MBA3AAAAAAAAAAAAAe8AD8/fj4AAAPAyAAAQAYQAEMAf//A3AA"
    "AAMAkAAAAwAAAwAeugJAIQABACpCAQEDcAAAAwCQAAADAAADAB6gIIEFluqumubgQEDAgAAAAwCAAAADAIQiAAEABkQB"
    "wXPBiQAAABRpc3BlAAAAAAAAAEAAAABAAAAACWlyb3QDAAAAFGlzcGUAAAAAAAAADAAAABAAAAJgY29scnByb2YAAAJU"
    "bGNtcwRAAABtbnRyUkdCIFhZWiAH6gAMAAkAAgAsAABhY3NwQVBQTAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA9tYA"
    "AQAAAADTLWxjbXMAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAtkZXNjAAALCAAA"
    "AD5jcHJ0AAABSAAAAEx3dHB0AAABlAAAABRjaGFkAAABqAAAACxyWFlaAAAB1AAAABRiWFlaAAAB6AAAABRnWFlaQAAB"
    "/AAAABRyVFJDAAACEAAAACBnVFJDAAACEAAAACBiVFJDAAACEAAAACBjaHJtAAACNQAAACRtbHVjAAAAAAAAAAEAAAAM"
    "ZW5VUwAAACIAAAAcAEQAaQBzAHAAbABhAHkAIABQADMAIAAoAHQAZQBzAHQAKQAAbWx1YwAAAAAAAAABAAAADGVuVVMA"
    "AAAwAAAAHABOAG8AIABjAG8AcAB5AHIAaQBnAGgAdAAsACAAdQBzAGUAIABmAHIAZQBlAGwAeVhZWiAAAAAAAAD21gAB"
    "AAAAANMtc2YzMgAAAAAAAQxCAAAF3v//8yUAAAeTAAD9kP//+6H///2iAAAD3AAAwG5YWVogAAAAAAAAg98AAD2/////"
    "u1hZWiAAAAAAAAAoOAAAEQsAAMi5WFlaIAAAAAAAAEq/AACxNwAACrlwYXJhAAAAAAADAAAAAmZmAADypwAADVkAABPQ"
    "AAAKW2Nocm0AAAAAAAMAAAAArhQAAFHsAABD1wAAsKQAACZmAAAPXAAAABBwaXhpAAAAAAMICAgAAAAcaXBtYQAAAAAA"
    "AAACAAECgQIAAgQDBIWGAAAAGmlyZWYAAAAAAAAADmRpbWcAAgABAAEAAAB3bWRhdAAAAGsoAa8TIa6YaPUkU4Tqmd0a"
    "wJc7rBYnUemoLOqwRMvErIeb7Gy3OHhBOHuJjvCKfd1yUQoB0ffQzhVETSEAazGXyXgp7hDmmcq5aDIkz5MghZclBwAi"
    "ru9XjkAIoxfq0pbnh5wrbbAQjmuK9w==";

TEST(Robustness, AHeifWhoseCodedPictureIsFarLargerThanItSaysIsRefusedAtOnce) {
  if (!CanWriteHeif(HeifKind::Heic)) GTEST_SKIP() << "no HEVC decoder";
  TempDir dir;
  const QByteArray path =
      Path(dir.Write(QStringLiteral("bomb.heic"), QByteArray::fromBase64(kHeifBomb)));
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  HGLOBAL dib = nullptr;
  EXPECT_EQ(CRDE(rdheiffiledib)(path.constData(), 0, 0, &dib, nullptr, nullptr, nullptr, 0),
            MX_ERR_CORRUPT);
  EXPECT_EQ(dib, nullptr);
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "kilobytes more at the peak";
}

}  // namespace
