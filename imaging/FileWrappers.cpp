#include "FileWrappers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <type_traits>

#include "Binding.h"
#include "DibBlock.h"

namespace imaging {

namespace {

// The libraries take the name in a zero-terminated buffer of 511 bytes.
constexpr int kNameBufferSize = 511;

// A refusal of the wrappers themselves, reported as the library's failures are, so the
// caller never shows an empty or earlier text. The reason only: callers name the file.
bool Refuse(const QString &text) {
  Binding().LastErrorCode = -1;
  Binding().LastErrorText = text;
  return false;
}

struct NameBuffer {
  explicit NameBuffer(const QString &name) {
    const QByteArray bytes = QFile::encodeName(name);
    // A longer name would be cut into the name of another file; it is refused instead.
    fits = bytes.size() <= kNameBufferSize - 1;
    std::memset(data, 0, sizeof data);
    if (fits)
      std::memcpy(data, bytes.constData(), size_t(bytes.size()));
    else
      Refuse(QStringLiteral("nom de fichier trop long"));
  }
  char data[kNameBufferSize];
  bool fits;
};

HMODULE &Imaging() {
  return Binding().ImagingLibrary;
}

// The DIB reader, shared by every format: bind, size check, caption, guarded call, and a
// failure code turned into the library's text.
template <class Fn, class Invoke>
bool ReadWith(const char *entryName, const QString &name, bool unloadOnFailure, HGLOBAL &dib,
              Invoke invoke) {
  dib = nullptr;
  Fn *entry = nullptr;
  if (!BindImagingEntry(Imaging(), kImagingLibraryName, entryName, entry)) return false;
  if (!CheckMinFileSize(name)) return false;
  NameBuffer buffer(name);
  if (!buffer.fits) return false;
  Binding().ProgressCaption = BindingText(kTextReading) + name;
  int16_t result = 0;
  if (!GuardedCall([&] { result = invoke(entry, buffer.data); })) return false;
  if (result > 0) return true;
  // A failed read hands nothing over; a block left behind is not ours to keep.
  FreeDib(dib);
  dib = nullptr;
  FetchLibraryError(result);
  if (unloadOnFailure) UnloadImagingLibrary();  // the next call loads the library again
  return false;
}

// The readers that also decode into the program's own rows (MX_PROGRAM_ROWS, crde2000.h).
bool OffersProgramRows(const char *entry) {
  for (const char *name :
       {"rdjpgfiledib", "rdpngfiledib", "readtiffiledib", "rdheiffiledib", "rdwebpfiledib"})
    if (std::strcmp(entry, name) == 0) return true;
  return false;
}

// `readDib` takes the depth to ask the library for. A true-colour read through a reader
// that offers the program's own rows asks for them: the bitmap then keeps the decoded rows
// themselves, with no conversion and no copy.
template <class DibReader>
bool ReadBitmapWith(const char *entry, DibReader readDib, int bits, int dither, void *user,
                    MxProgressFn callback, TBitmap &bitmap) {
  HGLOBAL dib = nullptr;
  const bool programRows = bits == 24 && OffersProgramRows(entry);
  if (!readDib(programRows ? int(MX_PROGRAM_ROWS) : bits, dib)) return false;
  platform::GlobalBlock owned(dib);
  if (programRows && ProgramRowsToBitmap(dib, bitmap)) return true;
  return DibToBitmapSharing(dib, bits, dither, bitmap, user, callback) == 1;
}

}  // namespace

bool CheckMinFileSize(const QString &name) {
  // Without blocking: a FIFO would wait for a writer for good.
  const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) platform::RaiseInOutError(errno);
  // No lock: the file is only looked at here and closed at once, which would release any
  // lock; the library opens it again and checks whatever it then finds.
  struct stat info {};
  const bool stated = fstat(fd, &info) == 0;
  ::close(fd);
  if (!stated || !S_ISREG(info.st_mode))
    return Refuse(QStringLiteral("ce n'est pas un fichier ordinaire"));
  if (info.st_size < 30) return Refuse(QStringLiteral("fichier trop court pour être une image"));
  return true;
}

bool ReadJpegDib(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                 HGLOBAL &dib) {
  return ReadWith<decltype(rdjpgfiledib)>(
      "rdjpgfiledib", name, true, dib, [&](auto *entry, const char *buffer) {
        return entry(buffer, bits, 1, int16_t(dither), &dib, nullptr, user, callback, 0);
      });
}

bool ReadPaletteEntryDib(const char *entry, const QString &name, int bits, int dither, void *user,
                         MxProgressFn callback, HGLOBAL &dib) {
  return ReadWith<decltype(rdpngfiledib)>(
      entry, name, false, dib, [&](auto *function, const char *buffer) {
        return function(buffer, bits, int16_t(dither), &dib, Binding().SharedPalette, user,
                        callback, 0);
      });
}

bool ReadPlainEntryDib(const char *entry, const QString &name, int bits, int dither, void *user,
                       MxProgressFn callback, HGLOBAL &dib) {
  return ReadWith<decltype(readtgafiledib)>(
      entry, name, false, dib, [&](auto *function, const char *buffer) {
        return function(buffer, bits, int16_t(dither), &dib, user, callback, 0);
      });
}

// The entries read through the shared parameter lists have those lists' types.
static_assert(std::is_same_v<decltype(rdbmpfiledib), decltype(rdpngfiledib)>);
static_assert(std::is_same_v<decltype(rdpcxfiledib), decltype(rdpngfiledib)>);
static_assert(std::is_same_v<decltype(rdheiffiledib), decltype(rdpngfiledib)>);
static_assert(std::is_same_v<decltype(rdwebpfiledib), decltype(rdpngfiledib)>);
static_assert(std::is_same_v<decltype(readepsfiledib), decltype(readtgafiledib)>);

#define MX_SHARED_READER(Wrapper, Entry, SharedReader)                                       \
  bool Wrapper(const QString &name, int bits, int dither, void *user, MxProgressFn callback, \
               HGLOBAL &dib) {                                                               \
    return SharedReader(#Entry, name, bits, dither, user, callback, dib);                    \
  }
MX_SHARED_READER(ReadBmpDib, rdbmpfiledib, ReadPaletteEntryDib)
MX_SHARED_READER(ReadPngDib, rdpngfiledib, ReadPaletteEntryDib)
MX_SHARED_READER(ReadPcxDib, rdpcxfiledib, ReadPaletteEntryDib)
MX_SHARED_READER(ReadTgaDib, readtgafiledib, ReadPlainEntryDib)
MX_SHARED_READER(ReadEpsDib, readepsfiledib, ReadPlainEntryDib)
MX_SHARED_READER(ReadHeifDib, rdheiffiledib, ReadPaletteEntryDib)
MX_SHARED_READER(ReadWebpDib, rdwebpfiledib, ReadPaletteEntryDib)
#undef MX_SHARED_READER

bool ReadGifDib(const QString &name, int bits, int dither, void *user, MxProgressFn callback,
                HGLOBAL &dib) {
  return ReadWith<decltype(rdgiffiledib)>(
      "rdgiffiledib", name, false, dib, [&](auto *entry, const char *buffer) {
        int32_t ignored = 0;
        return entry(buffer, bits, int16_t(dither), &dib, Binding().SharedPalette, &ignored, user,
                     callback, 0);
      });
}

bool ReadTiffDib(const QString &name, int bits, int dither, int page, void *user,
                 MxProgressFn callback, HGLOBAL &dib) {
  return ReadWith<decltype(readtiffiledib)>(
      "readtiffiledib", name, false, dib, [&](auto *entry, const char *buffer) {
        return entry(buffer, bits, int16_t(dither), uint16_t(page), &dib, user, callback, 0);
      });
}

bool ReadPcdDib(const QString &name, int bits, int dither, TPCDMode resolution, void *user,
                MxProgressFn callback, HGLOBAL &dib) {
  return ReadWith<decltype(readpcdfiledib)>(
      "readpcdfiledib", name, false, dib, [&](auto *entry, const char *buffer) {
        return entry(buffer, bits, int16_t(dither), uint16_t(resolution), &dib, user, callback, 0);
      });
}

#define MX_BITMAP_READER(Wrapper, DibWrapper, Entry)                                         \
  bool Wrapper(const QString &name, int bits, int dither, void *user, MxProgressFn callback, \
               TBitmap &bitmap) {                                                            \
    return ReadBitmapWith(                                                                   \
        #Entry,                                                                              \
        [&](int asked, HGLOBAL &dib) {                                                       \
          return DibWrapper(name, asked, dither, user, callback, dib);                       \
        },                                                                                   \
        bits, dither, user, callback, bitmap);                                               \
  }
MX_BITMAP_READER(ReadJpegBitmap, ReadJpegDib, rdjpgfiledib)
MX_BITMAP_READER(ReadBmpBitmap, ReadBmpDib, rdbmpfiledib)
MX_BITMAP_READER(ReadPngBitmap, ReadPngDib, rdpngfiledib)
MX_BITMAP_READER(ReadGifBitmap, ReadGifDib, rdgiffiledib)
MX_BITMAP_READER(ReadPcxBitmap, ReadPcxDib, rdpcxfiledib)
MX_BITMAP_READER(ReadTgaBitmap, ReadTgaDib, readtgafiledib)
MX_BITMAP_READER(ReadEpsBitmap, ReadEpsDib, readepsfiledib)
MX_BITMAP_READER(ReadHeifBitmap, ReadHeifDib, rdheiffiledib)
MX_BITMAP_READER(ReadWebpBitmap, ReadWebpDib, rdwebpfiledib)
#undef MX_BITMAP_READER

bool ReadPaletteEntryBitmap(const char *entry, const QString &name, int bits, int dither,
                            void *user, MxProgressFn callback, TBitmap &bitmap) {
  return ReadBitmapWith(
      entry,
      [&](int asked, HGLOBAL &dib) {
        return ReadPaletteEntryDib(entry, name, asked, dither, user, callback, dib);
      },
      bits, dither, user, callback, bitmap);
}

bool ReadPlainEntryBitmap(const char *entry, const QString &name, int bits, int dither, void *user,
                          MxProgressFn callback, TBitmap &bitmap) {
  return ReadBitmapWith(
      entry,
      [&](int asked, HGLOBAL &dib) {
        return ReadPlainEntryDib(entry, name, asked, dither, user, callback, dib);
      },
      bits, dither, user, callback, bitmap);
}

bool ReadTiffBitmap(const QString &name, int bits, int dither, int page, void *user,
                    MxProgressFn callback, TBitmap &bitmap) {
  return ReadBitmapWith(
      "readtiffiledib",
      [&](int asked, HGLOBAL &dib) {
        return ReadTiffDib(name, asked, dither, page, user, callback, dib);
      },
      bits, dither, user, callback, bitmap);
}

bool ReadPcdBitmap(const QString &name, int bits, int dither, TPCDMode resolution, void *user,
                   MxProgressFn callback, TBitmap &bitmap) {
  return ReadBitmapWith(
      "readpcdfiledib",
      [&](int asked, HGLOBAL &dib) {
        return ReadPcdDib(name, asked, dither, resolution, user, callback, dib);
      },
      bits, dither, user, callback, bitmap);
}

bool ReadDxfBitmap(const QString &name, int bits, int dither, TBitmap &bitmap, void *user,
                   MxProgressFn callback) {
  decltype(readdxftoddb) *entry = nullptr;
  if (!BindImagingEntry(Imaging(), kImagingLibraryName, "readdxftoddb", entry)) return false;
  if (!CheckMinFileSize(name)) return false;
  NameBuffer buffer(name);
  if (!buffer.fits) return false;
  Binding().ProgressCaption = BindingText(kTextReading) + name;
  HBITMAP handle = nullptr;
  HPALETTE palette = nullptr;  // in: 0
  int16_t result = 0;
  if (!GuardedCall([&] {
        result = entry(buffer.data, bits, int16_t(dither), &handle, &palette, user, callback, 0);
      }))
    return false;
  if (result > 0) {
    bitmap.SetHandle(handle);
    bitmap.SetPalette(palette);
    return true;
  }
  if (handle) DeleteObject(handle);
  if (palette) DeleteObject(palette);
  FetchLibraryError(result);
  return false;
}

bool ReadFileInfo(const QString &name, QString &type, int &width, int &height, int &bitsPerPixel,
                  int &extra1, int &extra2, QString &compression) {
  decltype(fileinfo) *entry = nullptr;
  if (!BindImagingEntry(Imaging(), kImagingLibraryName, "fileinfo", entry)) return false;
  if (!CheckMinFileSize(name)) return false;
  NameBuffer buffer(name);
  if (!buffer.fits) return false;
  char typeText[6] = {};
  char compressionText[26] = {};
  uint16_t w = 0, h = 0, bpp = 0, e1 = 0, e2 = 0;
  int16_t result = 0;
  const bool called = GuardedCall(
      [&] { result = entry(buffer.data, typeText, &w, &h, &bpp, &e1, &e2, compressionText, 0); });
  // The texts come back even from a failed call; the buffers' last bytes stay 0.
  typeText[5] = 0;
  compressionText[25] = 0;
  type = QString::fromLatin1(typeText);
  compression = QString::fromLatin1(compressionText);
  if (!called) return false;
  width = w;
  height = h;
  bitsPerPixel = bpp;
  extra1 = int16_t(e1);
  extra2 = int16_t(e2);
  if (result > 0) return true;
  FetchLibraryError(result);
  return false;
}

bool ReadTiffInfo(const QString &name, int page, int &width, int &height, QString &compression,
                  int &pageCount, int &bitsPerPixel) {
  decltype(getinfo) *entry = nullptr;
  if (!BindImagingEntry(Imaging(), kImagingLibraryName, "getinfo", entry)) return false;
  if (!CheckMinFileSize(name)) return false;
  NameBuffer buffer(name);
  if (!buffer.fits) return false;
  int32_t w = 0, h = 0, ignored = 0, pages = 0;
  uint16_t code = 0, bpp = 0;
  int16_t result = -1;
  if (!GuardedCall([&] {
        result = entry(buffer.data, uint16_t(page), &w, &h, &code, &ignored, &pages, &bpp);
      }))
    return false;
  width = w;
  height = h;
  compression = TiffCompressionName(int16_t(code));
  pageCount = pages;
  bitsPerPixel = bpp;
  return result >= 0;
}

bool ReadDxfInfo(const QString &name, int &width, int &height, int &bitsPerPixel) {
  decltype(getdxfinfo) *entry = nullptr;
  if (!BindImagingEntry(Imaging(), kImagingLibraryName, "getdxfinfo", entry)) return false;
  if (!CheckMinFileSize(name)) return false;
  NameBuffer buffer(name);
  if (!buffer.fits) return false;
  uint16_t w = 0, h = 0, bpp = 0;
  if (!GuardedCall([&] { entry(buffer.data, &w, &h, &bpp); })) return false;
  width = w;
  height = h;
  bitsPerPixel = bpp;
  return true;
}

bool WriteTiffDib(const QString &name, int compression, bool append, int bits, HGLOBAL dib,
                  void *user, MxProgressFn callback) {
  if (GlobalSize(dib) < 5) throw ErrorInvalid(BindingText(kTextInputEmpty));
  decltype(writetiffiledib) *entry = nullptr;
  if (!BindImagingEntry(Imaging(), kImagingLibraryName, "writetiffiledib", entry)) return false;
  NameBuffer buffer(name);
  if (!buffer.fits) return false;
  Binding().ProgressCaption = BindingText(kTextWriting) + name;
  int16_t result = 0;
  if (!GuardedCall([&] {
        result = entry(buffer.data, uint16_t(compression), uint16_t(bits), append ? 1 : 0, dib,
                       user, callback, 0);
      }))
    return false;
  if (result > 0) return true;
  FetchLibraryError(result);
  return false;
}

bool WriteTiffBitmap(const QString &name, int compression, bool append, int bits,
                     const TBitmap *bitmap, void *user, MxProgressFn callback) {
  HGLOBAL dib = nullptr;
  if (bitmap == nullptr || bitmap->Empty() || !BitmapToDib(bitmap, dib) || GlobalSize(dib) < 5) {
    FreeDib(dib);
    throw ErrorInvalid(BindingText(kTextInputEmpty));
  }
  platform::GlobalBlock owned(dib);
  return WriteTiffDib(name, compression, append, bits, dib, user, callback);
}

namespace {
// Keeps a second scanner call out while a scanner dialog pumps messages.
struct ScannerGuard {
  ScannerGuard() { Binding().ScannerBusy = true; }
  ~ScannerGuard() { Binding().ScannerBusy = false; }
};
}  // namespace

bool SelectScannerSource(HWND owner) {
  if (Binding().ScannerBusy) return false;
  decltype(selectsource) *entry = nullptr;
  if (!BindImagingEntry(Imaging(), kImagingLibraryName, "selectsource", entry)) return false;
  ScannerGuard guard;
  int16_t result = -1;
  if (!GuardedCall([&] { result = entry(owner, 0); })) return false;
  if (result >= 0) return true;
  FetchLibraryError(result);
  return false;
}

bool AcquireScannerDib(HWND owner, int bits, int dither, void *user, MxProgressFn callback,
                       HGLOBAL &dib) {
  dib = nullptr;
  if (Binding().ScannerBusy) return false;
  decltype(aquiredibimage) *entry = nullptr;
  if (!BindImagingEntry(Imaging(), kImagingLibraryName, "aquiredibimage", entry)) return false;
  ScannerGuard guard;
  Binding().ProgressCaption = BindingText(kTextAcquiring);
  int16_t result = -1;
  if (!GuardedCall([&] {
        result = entry(owner, bits, uint16_t(dither), 0, &dib, Binding().SharedPalette, user,
                       callback, 0);
      }))
    return false;
  if (result >= 0) return true;
  FreeDib(dib);
  dib = nullptr;
  FetchLibraryError(result);
  return false;
}

bool AcquireScannerBitmap(HWND owner, int bits, int dither, TBitmap &bitmap, void *user,
                          MxProgressFn callback) {
  HGLOBAL dib = nullptr;
  // A colour scan asks for the program's own rows, as a true-colour read of a file does.
  const bool programRows = bits == 24;
  if (!AcquireScannerDib(owner, programRows ? int(MX_PROGRAM_ROWS) : bits, dither, user, callback,
                         dib))
    return false;
  // A cancelled scan brings no picture and is no failure: there is nothing to convert,
  // and nothing to report.
  if (dib == nullptr) {
    bitmap.Clear();
    return true;
  }
  platform::GlobalBlock owned(dib);
  if (programRows && ProgramRowsToBitmap(dib, bitmap)) return true;
  return DibToBitmapSharing(dib, bits, dither, bitmap, user, callback) == 1;
}

int ScannerCount() {
  if (Binding().ScannerBusy) return 1;  // the one scanning is there
  decltype(scannercount) *entry = nullptr;
  if (!BindImagingEntry(Imaging(), kImagingLibraryName, "scannercount", entry)) return -1;
  int16_t result = -1;
  if (!GuardedCall([&] { result = entry(0); })) return -1;
  if (result > 0) return result;
  FetchLibraryError(result < 0 ? int(result) : int(MX_ERR_NO_SCANNER));
  return result < 0 ? -1 : 0;
}

int SaveDepthFor(TSaveResolution resolution) {
  switch (resolution) {
    case sColorVga:
      return 0;
    case sMonoChrome:
      return 1;
    case sColor16:
      return 4;
    case sColor256:
    case sJpegGray:
      return 8;
    case sColorTrue:
      return 24;
    case sAutoMatic:
      return DisplayDepth();
  }
  return 0;
}

int DisplayDepth(HDC dc) {
  HDC screen = dc ? nullptr : GetDC(nullptr);
  const int bits = GetDeviceCaps(dc ? dc : screen, BITSPIXEL);
  if (screen) ReleaseDC(nullptr, screen);
  if (bits <= 4) return 4;
  if (bits <= 15) return 8;
  return 24;
}

int TiffCompressionCode(TTiffCompression compression) {
  switch (compression) {
    case sNONE:
      return 1;
    case sCCITT:
      return 2;
    case sFAXCCITT3:
      return 3;
    case sFAXCCITT4:
      return 4;
    case sLZW:
      return 5;
    case sPACKBITS:
      return 32773;
  }
  return 1;
}

QString TiffCompressionName(int code) {
  switch (code) {
    case 1:
      return QStringLiteral("NONE");
    case 2:
      return QStringLiteral("CCITT3");
    case 3:
      return QStringLiteral("FAXCCITT3");
    case 4:
      return QStringLiteral("FAXCCITT4");
    case 5:
      return QStringLiteral("LZW");
    case 32773:
    case -32763:  // the same 16 bits read as a signed value
      return QStringLiteral("PACKBITS");
    default:
      return QStringLiteral("UNKNOWN");
  }
}

QString FileNamePart(const QString &path) {
  const int cut =
      std::max({path.lastIndexOf(u':'), path.lastIndexOf(u'\\'), path.lastIndexOf(u'/')});
  return path.mid(cut + 1).left(64);
}

QString BareFileName(const QString &path) {
  const QString part = FileNamePart(path);
  const int dot = part.indexOf(u'.');
  return dot < 0 ? part : part.left(dot);
}

QString AnnotationSettingsPath() {
  char folder[510];
  GetWindowsDirectory(folder, sizeof folder);
  return QString::fromUtf8(folder) + QStringLiteral("/im_anno.ini");
}

}  // namespace imaging
