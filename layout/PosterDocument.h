#pragma once
// The poster document: what the six-line poster file holds, where the poster's picture
// comes from and whether there are changes to save. A plain value: the main window owns
// one, each command-line mode makes one, and the sheet layout, the format dialog and
// printing read and write it through the window that shows it (PosterWindow.h).
#include <QString>
#include <cstdint>

namespace layout {

// Where the poster's picture came from, which decides what saving does with it.
enum class PictureOrigin : int16_t {
  File = 0,        // a picture file chosen by the new-poster command: copied into the folder
  Scan = 1,        // a scan: written into the picture folder as TIFF when the poster is saved
  PosterFile = 2,  // the picture of a poster file opened: already in the picture folder
};

struct PosterDocument {
  // Full path of the poster file; empty for a poster never saved (the job title says so).
  QString PosterFileName;
  // The picture's file name in the picture folder, as the poster file records it.
  QString ImageFileName;
  // Where the picture is read from: the chosen file until the first save, then its copy.
  QString ImagePath;
  PictureOrigin ImageOrigin = PictureOrigin::File;
  // The finished poster's size, in whole screen pixels at the window's pixels per inch.
  int32_t PosterWidth = 0;
  int32_t PosterHeight = 0;
  // The ratio lock: the picture keeps its proportions inside the poster's size.
  bool KeepRatio = true;
  // The paper's orientation the poster was cut for.
  bool Landscape = false;
  // Changes not yet saved.
  bool Modified = false;
  // The poster file's first line as read, kept and never compared.
  QString VersionTag;
};

}  // namespace layout
