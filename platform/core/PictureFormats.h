#pragma once
// The picture formats of the program, one row each. Every place that gives a file
// extension a meaning reads this table: the image choice dialog's "Toutes images" mask and
// type list, the image component's choice of reader, the main window's and the command
// line's choice between the platform's picture classes and the image component, and the
// platform's picture classes themselves. A new format is a new row here (and, for a format
// of the imaging library, its reader entry there).
//
// The imaging libraries name formats in their own file information (they are separate
// libraries with a C boundary and do not read the program's tables); the names in `name`
// below are those names, and a test reads a file of every library format through the
// library and compares the names, so the two cannot drift apart unnoticed.
#include <QString>
#include <QStringView>
#include <array>
#include <span>

namespace platform {

// How the program holds a picture of the format once read.
enum class PictureKind {
  Raster,  // pixels
  Vector,  // a drawing, played at the size and resolution of wherever it is drawn
};

// The platform's picture class that reads files of the format (Picture::LoadFromFile).
enum class PictureClass { LibraryOnly, Bitmap, Metafile, Icon, Pdf, Svg };

// The parameter list of the imaging library's reader entry for the format.
enum class ReaderCall {
  NoReader,  // no reader in the library
  Palette,   // (name, bits, dither, &dib, palette, user, progress, 0): rdpngfiledib's list
  Jpeg,      // rdjpgfiledib
  Gif,       // rdgiffiledib (with the transparent colour)
  Plain,     // (name, bits, dither, &dib, user, progress, 0): readtgafiledib's list
  Tiff,      // with the page
  PhotoCd,   // with the resolution
  Dxf,       // into a device bitmap
};

// One row of the table: a format, its extensions and how it is read.
struct PictureFormat {
  // The format's name: the image component's format key and InfoFormat, and the name the
  // imaging library's file information reports for the content ("JPEG", "TIF").
  const char *name;
  // The entry of the image choice dialog's type list, "Jpeg (*.jpg)".
  const char *typeText;
  // Lower-case extensions with their dot; the first is the one the dialog's masks list
  // (all of them when `masksEveryExtension`).
  std::array<const char *, 4> extensions;
  PictureKind kind;
  // Read by the platform's picture class (the main window loads these itself)...
  PictureClass pictureClass;
  // ...and/or by the imaging library's reader entry (the image component's path).
  const char *readerEntry;
  ReaderCall readerCall;
  // The libFuzzer target of the reader entry (fuzz/), when the library reads the format.
  const char *fuzzTarget;
  // The dialog's "Toutes images" mask has always named this format first.
  bool leadsAllPictures;
  // The dialog's masks list every extension of the format, not only the first. The formats
  // the dialog has always had keep their one mask ("*.jpg", "*.tif"); a newer format whose
  // files go by two names (".heic" and ".heif") shows both.
  bool masksEveryExtension = false;
};

// Every format, in the order of the image choice dialog's type list.
std::span<const PictureFormat> PictureFormats();

// The format of an extension (with its dot, in any case), or nullptr.
const PictureFormat *PictureFormatOfExtension(QStringView extension);
// The format of a file name by its extension, or nullptr.
const PictureFormat *PictureFormatOfFile(const QString &path);
// The format of a name ("JPEG", exactly), or nullptr.
const PictureFormat *PictureFormatNamed(const QString &name);

// Read by the platform's picture classes only (the image component hands such files to
// them, and the image choice dialog previews them in its plain picture control).
bool IsPlatformOnlyFormat(const PictureFormat *format);
// Read by one of the platform's picture classes (perhaps also by the library).
bool HasPictureClass(const PictureFormat *format);

// "Jpeg (*.jpg)": the dialog's type list entry of one format.
QString TypeText(const PictureFormat &format);
// "*.jpg" (or "*.heic;*.heif"): the dialog's mask of one format.
QString FormatMask(const PictureFormat &format);
// "*.wmf;*.bmp;...": every format's mask, for "Toutes images".
QString AllPicturesMask();

}  // namespace platform
