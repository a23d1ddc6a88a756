// A stand-in CRDE2000.DLL. What a reader does depends on the file's first bytes:
// "THROW" raises a C++ exception, "FAIL" returns -4 (65532), "FAIL1" returns -1 (65535);
// anything else gives a 4 x 2 picture of known colours. Every call is recorded.
#include <QFile>
#include <stdexcept>
#include <string>

#include "FakeSupport.h"
#include "crde2000.h"

extern "C" {
MX_EXPORT int FakeCalls = 0;
MX_EXPORT char FakeLastEntry[64] = "";
MX_EXPORT int FakeLastBits = -1;
MX_EXPORT int FakeLastDither = -1;
MX_EXPORT int FakeLastPage = -1;
}

namespace {

void Record(const char *entry, int bits = -1, int dither = -1) {
  ++FakeCalls;
  std::strncpy(FakeLastEntry, entry, sizeof FakeLastEntry - 1);
  FakeLastBits = bits;
  FakeLastDither = dither;
}

QImage Picture() {
  QImage image(4, 2, QImage::Format_RGB32);
  const QRgb colors[8] = {qRgb(255, 0, 0),     qRgb(0, 255, 0),    qRgb(0, 0, 255),
                          qRgb(255, 255, 255), qRgb(0, 0, 0),      qRgb(255, 255, 0),
                          qRgb(0, 255, 255),   qRgb(128, 128, 128)};
  for (int i = 0; i < 8; ++i) image.setPixel(i % 4, i / 4, colors[i]);
  return image;
}

int16_t Read(const char *entry, const char *name, int bits, int dither, HGLOBAL *dib,
             MxProgressFn cb, void *user) {
  Record(entry, bits, dither);
  QFile file(QString::fromUtf8(name));
  if (!file.open(QIODevice::ReadOnly)) return MX_ERR_CANNOT_OPEN;
  const QByteArray head = file.read(5);
  if (head.startsWith("THROW")) throw std::runtime_error("fake failure");
  if (head.startsWith("FAIL1")) return -1;
  if (head.startsWith("FAIL")) return MX_ERR_NOT_JPEG;
  if (cb && cb(50, user) == 0) return MX_ERR_CANCELLED;
  *dib = fake::MakeDib(Picture(), bits == 0 ? 24 : bits);
  return 1;
}

HGLOBAL Convert(const char *entry, HGLOBAL dib, int bits) {
  Record(entry, bits);
  const QImage image = fake::ImageOfDib(dib);
  return image.isNull() ? nullptr : fake::MakeDib(image, bits);
}

}  // namespace

extern "C" {

int MxLoadString(uint32_t id, char *buf, int size) {
  std::string text;
  if (id == 65535) text = "The imaging library failed";
  if (id == 65532) text = "Not a JPEG file";
  if (text.empty() || size <= 0) {
    if (size > 0) buf[0] = 0;
    return 0;
  }
  const int n = std::min(int(text.size()), size - 1);
  std::memcpy(buf, text.data(), size_t(n));
  buf[n] = 0;
  return n;
}

int16_t rdjpgfiledib(const char *name, int32_t bits, int32_t one, int16_t dither, HGLOBAL *dib,
                     HPALETTE, void *user, MxProgressFn cb, int16_t) {
  if (one != 1) return -1;
  return Read("rdjpgfiledib", name, bits, dither, dib, cb, user);
}
int16_t rdbmpfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib, HPALETTE,
                     void *user, MxProgressFn cb, int16_t) {
  return Read("rdbmpfiledib", name, bits, dither, dib, cb, user);
}
int16_t rdpngfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib, HPALETTE,
                     void *user, MxProgressFn cb, int16_t) {
  return Read("rdpngfiledib", name, bits, dither, dib, cb, user);
}
int16_t rdpcxfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib, HPALETTE,
                     void *user, MxProgressFn cb, int16_t) {
  return Read("rdpcxfiledib", name, bits, dither, dib, cb, user);
}
int16_t rdheiffiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib, HPALETTE,
                      void *user, MxProgressFn cb, int16_t) {
  return Read("rdheiffiledib", name, bits, dither, dib, cb, user);
}
int16_t rdwebpfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib, HPALETTE,
                      void *user, MxProgressFn cb, int16_t) {
  return Read("rdwebpfiledib", name, bits, dither, dib, cb, user);
}
int16_t rdgiffiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib, HPALETTE,
                     int32_t *transparent, void *user, MxProgressFn cb, int16_t) {
  if (transparent) *transparent = -1;
  return Read("rdgiffiledib", name, bits, dither, dib, cb, user);
}
int16_t readtiffiledib(const char *name, int32_t bits, int16_t dither, uint16_t page, HGLOBAL *dib,
                       void *user, MxProgressFn cb, int16_t) {
  const int16_t result = Read("readtiffiledib", name, bits, dither, dib, cb, user);
  FakeLastPage = page;
  return result;
}
int16_t readpcdfiledib(const char *name, int32_t bits, int16_t dither, uint16_t resolution,
                       HGLOBAL *dib, void *user, MxProgressFn cb, int16_t) {
  const int16_t result = Read("readpcdfiledib", name, bits, dither, dib, cb, user);
  FakeLastPage = resolution;
  return result;
}
int16_t readtgafiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib, void *user,
                       MxProgressFn cb, int16_t) {
  return Read("readtgafiledib", name, bits, dither, dib, cb, user);
}
int16_t readepsfiledib(const char *name, int32_t bits, int16_t dither, HGLOBAL *dib, void *user,
                       MxProgressFn cb, int16_t) {
  return Read("readepsfiledib", name, bits, dither, dib, cb, user);
}
int16_t readdxftoddb(const char *name, int32_t bits, int16_t dither, HBITMAP *bitmap,
                     HPALETTE *palette, void *user, MxProgressFn cb, int16_t) {
  HGLOBAL dib = nullptr;
  const int16_t result = Read("readdxftoddb", name, bits, dither, &dib, cb, user);
  if (result > 0) {
    *bitmap = CreateBitmapFromImage(fake::ImageOfDib(dib));
    *palette = nullptr;
    GlobalFree(dib);
  }
  return result;
}

int16_t fileinfo(const char *name, char *type, uint16_t *width, uint16_t *height,
                 uint16_t *bitsPerPixel, uint16_t *pages, uint16_t *dpi, char *compression,
                 int16_t) {
  Record("fileinfo");
  std::strcpy(type, "GIF");
  std::strcpy(compression, "LZW");
  QFile file(QString::fromUtf8(name));
  if (!file.open(QIODevice::ReadOnly) || file.read(4) == "FAIL") return -1;
  *width = 4;
  *height = 2;
  *bitsPerPixel = 8;
  *pages = 1;
  *dpi = 0;
  return 1;
}

int16_t getinfo(const char *, uint16_t page, int32_t *width, int32_t *height, uint16_t *compression,
                int32_t *ignored, int32_t *pageCount, uint16_t *bitsPerPixel) {
  Record("getinfo");
  FakeLastPage = page;
  *width = 4;
  *height = 2;
  *compression = 0x8005;
  *ignored = 0;
  *pageCount = 3;
  *bitsPerPixel = 24;
  return 0;
}

void getdxfinfo(const char *, uint16_t *width, uint16_t *height, uint16_t *bitsPerPixel) {
  Record("getdxfinfo");
  *width = 1024;
  *height = 768;
  *bitsPerPixel = 24;
}

int16_t writetiffiledib(const char *name, uint16_t compression, uint16_t bits, int16_t append,
                        HGLOBAL dib, void *, MxProgressFn, int16_t) {
  Record("writetiffiledib", bits, append);
  FakeLastPage = compression;
  const QImage image = fake::ImageOfDib(dib);
  if (image.isNull()) return MX_ERR_BAD_DIB;
  return image.save(QString::fromUtf8(name), "PNG") ? 1 : MX_ERR_WRITE;
}

int16_t selectsource(HWND, int16_t) {
  Record("selectsource");
  return 0;
}

int16_t aquiredibimage(HWND, int32_t bits, uint16_t dither, uint16_t, HGLOBAL *dib, HPALETTE,
                       void *user, MxProgressFn cb, int16_t) {
  Record("aquiredibimage", bits, dither);
  if (cb && cb(10, user) == 0) {
    *dib = nullptr;  // cancelled: no picture
    return 0;
  }
  *dib = fake::MakeDib(Picture(), 24);
  return 1;
}

HGLOBAL DIB1to4(HGLOBAL dib) {
  return Convert("DIB1to4", dib, 4);
}
HGLOBAL DIB1To8(HGLOBAL dib) {
  return Convert("DIB1To8", dib, 8);
}
HGLOBAL DIB1To24(HGLOBAL dib) {
  return Convert("DIB1To24", dib, 24);
}
HGLOBAL DIB4To8(HGLOBAL dib) {
  return Convert("DIB4To8", dib, 8);
}
HGLOBAL DIB4To24(HGLOBAL dib) {
  return Convert("DIB4To24", dib, 24);
}
HGLOBAL DIB8To24(HGLOBAL dib) {
  return Convert("DIB8To24", dib, 24);
}
HGLOBAL DIB16To24(HGLOBAL dib) {
  return Convert("DIB16To24", dib, 24);
}
HGLOBAL DIB32To24(HGLOBAL dib) {
  return Convert("DIB32To24", dib, 24);
}

void DibtoDdb(const void *dib, HBITMAP *bitmap, HPALETTE *palette) {
  Record("DibtoDdb");
  HGLOBAL block = GlobalHandle(dib);
  const QImage image = ImageFromPackedDib(dib, GlobalSize(block));
  *bitmap = image.isNull() ? nullptr : CreateBitmapFromImage(image);
  *palette = nullptr;
}

}  // extern "C"
