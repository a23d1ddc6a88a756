#pragma once
// What the sheet layout, the format dialog and printing read and write of the main window
// and its poster document. The main window implements it; the layout never sees the
// window's class, so the dependency keeps pointing from the application to the layout.
#include <QString>

class QCheckBox;
class QLabel;
class QWidget;

namespace platform {
class ImageControl;
class Picture;
}  // namespace platform

namespace layout {

class PosterHost {
 public:
  virtual ~PosterHost() = default;

  // Interface language: 0 French, 1 English.
  virtual int Language() const = 0;

  // The poster document. Sizes are whole screen pixels at PixelsPerInch().
  virtual int PosterWidth() const = 0;
  virtual int PosterHeight() const = 0;
  virtual void SetPosterWidth(int pixels) = 0;
  virtual void SetPosterHeight(int pixels) = 0;
  virtual bool KeepRatio() const = 0;
  virtual void SetKeepRatio(bool keep) = 0;
  virtual bool Landscape() const = 0;
  virtual void SetLandscape(bool landscape) = 0;
  virtual bool Modified() const = 0;
  virtual void SetModified(bool modified) = 0;
  // Full path of the poster file, empty for a poster never saved (gives the job title).
  virtual QString PosterFileName() const = 0;

  // The picture image `Feuille`: its displayed size (the ratio lock's proportions come
  // from it, not from the graphic) and the graphic it holds.
  virtual int FeuilleWidth() const = 0;
  virtual int FeuilleHeight() const = 0;
  virtual const platform::Picture &FeuillePicture() const = 0;

  // The screen's pixels per inch (96 at design).
  virtual int PixelsPerInch() const = 0;

  // Parent of the dialogs and message boxes (the main window).
  virtual QWidget *DialogParent() = 0;

  // The side panel's sheet preview: the panel `Panel4` that holds the preview square,
  // the width of its border plus its bevel, the square `Image` itself, the sheet count
  // label `Label3` and the landscape box `CheckBox1`. A host without a window (the
  // command-line modes) returns nullptr for all four widgets.
  virtual QWidget *PreviewPanel() = 0;
  virtual int PreviewPanelEdge() const = 0;
  virtual platform::ImageControl *PreviewSquare() = 0;
  virtual QLabel *SheetCountLabel() = 0;
  virtual QCheckBox *LandscapeBox() = 0;
};

}  // namespace layout
