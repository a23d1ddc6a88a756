#include "PosterFile.h"

#include "FormatDialog.h"
#include "core/Errors.h"
#include "core/TextFile.h"

namespace app {

bool IsPlainPictureName(const QString &name) {
  // The name alone: no folder of any kind, so the picture can only lie in the picture
  // folder. A NUL would cut the name where the system reads it.
  return !name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(0)) &&
         name != u"." && name != u"..";
}

bool PosterSizeInRange(int32_t pixels, int pixelsPerInch) {
  return pixels >= layout::PixelsOfPosition(layout::kSmallestPosition, pixelsPerInch) &&
         pixels <= layout::PixelsOfPosition(layout::kLargestPosition, pixelsPerInch);
}

PosterFileContents ReadPosterFileContents(const QString &path, int pixelsPerInch) {
  platform::TextFileReader file(path, kPosterFileMaxBytes);
  PosterFileContents c;
  c.versionTag = file.ReadLine();  // kept, never compared
  c.posterWidth = file.ReadInteger();
  file.SkipLine();
  c.posterHeight = file.ReadInteger();
  file.SkipLine();
  c.imageFileName = file.ReadLine();
  if (!IsPlainPictureName(c.imageFileName))
    throw platform::ConvertError(
        QStringLiteral("Nom d'image incorrect dans le fichier d'affiche %1").arg(path));
  // The flags are read into 16-bit values; only 1 means on.
  c.keepRatio = static_cast<int16_t>(file.ReadInteger()) == 1;
  file.SkipLine();
  c.landscape = static_cast<int16_t>(file.ReadInteger()) == 1;
  file.SkipLine();
  // A size the format dialog cannot give is no poster of ours: a huge one would keep the
  // program cutting sheets for ever, a negative one draws nonsense.
  if (!PosterSizeInRange(c.posterWidth, pixelsPerInch) ||
      !PosterSizeInRange(c.posterHeight, pixelsPerInch))
    throw platform::ConvertError(QStringLiteral("Taille d'affiche hors limites : %1 x %2")
                                     .arg(c.posterWidth)
                                     .arg(c.posterHeight));
  return c;
}

PosterFileContents PosterFileContentsOf(const layout::PosterDocument &document) {
  return {.versionTag = document.VersionTag,
          .posterWidth = document.PosterWidth,
          .posterHeight = document.PosterHeight,
          .imageFileName = document.ImageFileName,
          .keepRatio = document.KeepRatio,
          .landscape = document.Landscape};
}

void TakePosterFileContents(layout::PosterDocument &document, const PosterFileContents &c) {
  document.VersionTag = c.versionTag;
  document.PosterWidth = c.posterWidth;
  document.PosterHeight = c.posterHeight;
  document.ImageFileName = c.imageFileName;
  document.KeepRatio = c.keepRatio;
  document.Landscape = c.landscape;
}

void WritePosterFileContents(const QString &path, const PosterFileContents &c) {
  platform::AtomicFileWriter file(path);
  file.WriteLine(QStringLiteral("version1"));
  file.WriteLine(QString::number(c.posterWidth));
  file.WriteLine(QString::number(c.posterHeight));
  file.WriteLine(c.imageFileName);
  file.WriteLine(c.keepRatio ? QStringLiteral("1") : QStringLiteral("0"));
  file.WriteLine(c.landscape ? QStringLiteral("1") : QStringLiteral("0"));
  file.Commit();
}

}  // namespace app
