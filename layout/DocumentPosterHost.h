#pragma once
// The poster document held as plain fields, without a window: for the command-line modes
// and the benchmarks. There are no preview controls, and the picture image shows the
// picture at its own size, which is all the ratio lock takes from it.
#include <QString>

#include "PosterHost.h"
#include "gdi/Picture.h"

namespace layout {

class DocumentPosterHost : public PosterHost {
 public:
  int language = 0;
  int posterWidth = 0, posterHeight = 0;
  bool keepRatio = true, landscape = false, modified = false;
  QString posterFileName;
  platform::Picture picture;
  int pixelsPerInch = 96;

  int Language() const override { return language; }
  int PosterWidth() const override { return posterWidth; }
  int PosterHeight() const override { return posterHeight; }
  void SetPosterWidth(int pixels) override { posterWidth = pixels; }
  void SetPosterHeight(int pixels) override { posterHeight = pixels; }
  bool KeepRatio() const override { return keepRatio; }
  void SetKeepRatio(bool keep) override { keepRatio = keep; }
  bool Landscape() const override { return landscape; }
  void SetLandscape(bool on) override { landscape = on; }
  bool Modified() const override { return modified; }
  void SetModified(bool on) override { modified = on; }
  QString PosterFileName() const override { return posterFileName; }
  int FeuilleWidth() const override { return picture.Width(); }
  int FeuilleHeight() const override { return picture.Height(); }
  const platform::Picture &FeuillePicture() const override { return picture; }
  int PixelsPerInch() const override { return pixelsPerInch; }
  QWidget *DialogParent() override { return nullptr; }
  QWidget *PreviewPanel() override { return nullptr; }
  int PreviewPanelEdge() const override { return 0; }
  platform::ImageControl *PreviewSquare() override { return nullptr; }
  QLabel *SheetCountLabel() override { return nullptr; }
  QCheckBox *LandscapeBox() override { return nullptr; }
};

}  // namespace layout
