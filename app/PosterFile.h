#pragma once
// The six-line poster file: "version1", width, height (screen pixels), the picture's file
// name, the ratio lock and the landscape flag (1 on, anything else off). Lines end with
// CR LF and are in the ANSI code page.
#include <QString>
#include <cstdint>

#include "PosterDocument.h"

namespace app {

struct PosterFileContents {
  QString versionTag;
  int32_t posterWidth = 0;
  int32_t posterHeight = 0;
  QString imageFileName;
  bool keepRatio = false;
  bool landscape = false;
};

// Six short lines take far less; anything larger is not a poster file (and a device
// such as /dev/zero would never end).
constexpr qint64 kPosterFileMaxBytes = 4096;

// True when `name` is a file name without folder: no separator, not "." or "..".
bool IsPlainPictureName(const QString &name);

// Whether a poster side of `pixels` (at `pixelsPerInch`) is one the format dialog can give.
bool PosterSizeInRange(int32_t pixels, int pixelsPerInch);

// Reads a poster file. Only a regular file of at most kPosterFileMaxBytes is read. Text
// where a number belongs, a poster size the format dialog cannot give (sizes in pixels at
// `pixelsPerInch`) or a picture name with a folder in it raises platform::ConvertError; a
// file that cannot be read (or is no regular file, or is too large) raises
// platform::InOutError. A file that ends early reads its missing numbers as 0, its missing
// texts as empty and its flags as off.
PosterFileContents ReadPosterFileContents(const QString &path, int pixelsPerInch = 96);

// The document's values that the file holds, and the other way round (the picture's
// path and origin are the caller's to set).
PosterFileContents PosterFileContentsOf(const layout::PosterDocument &document);
void TakePosterFileContents(layout::PosterDocument &document, const PosterFileContents &contents);

// Writes the six lines atomically: an existing file is replaced only once the new one is
// complete on disk. Raises platform::InOutError with the system's text on failure.
void WritePosterFileContents(const QString &path, const PosterFileContents &contents);

}  // namespace app
