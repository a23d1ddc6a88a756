#pragma once
// The host interface over a main window whose poster document and controls are public
// members named as the program names them (PosterWidth, KeepRatio, Feuille, Panel4,
// Image, Label3, CheckBox1...). A template, so the layout reads the window without
// knowing its class: the window owns one `WindowPosterHost<TForm1> host{*this};`.
#include <QCheckBox>
#include <QFrame>
#include <QLabel>

#include "PosterHost.h"
#include "gdi/Picture.h"
#include "ui/ImageControl.h"

namespace layout {

template <class Window>
class WindowPosterHost : public PosterHost {
 public:
  explicit WindowPosterHost(Window &window) : w_(window) {}

  int Language() const override { return w_.Language; }
  int PosterWidth() const override { return w_.PosterWidth; }
  int PosterHeight() const override { return w_.PosterHeight; }
  void SetPosterWidth(int pixels) override { w_.PosterWidth = pixels; }
  void SetPosterHeight(int pixels) override { w_.PosterHeight = pixels; }
  bool KeepRatio() const override { return w_.KeepRatio; }
  void SetKeepRatio(bool keep) override { w_.KeepRatio = keep; }
  bool Landscape() const override { return w_.Landscape; }
  void SetLandscape(bool landscape) override { w_.Landscape = landscape; }
  bool Modified() const override { return w_.Modified; }
  void SetModified(bool modified) override { w_.Modified = modified; }
  QString PosterFileName() const override { return w_.PosterFileName; }
  int FeuilleWidth() const override { return w_.Feuille->width(); }
  int FeuilleHeight() const override { return w_.Feuille->height(); }
  const platform::Picture &FeuillePicture() const override { return w_.Feuille->GetPicture(); }
  int PixelsPerInch() const override { return w_.ScreenPpi(); }
  QWidget *DialogParent() override { return &w_; }
  QWidget *PreviewPanel() override { return w_.Panel4; }
  int PreviewPanelEdge() const override { return w_.Panel4->frameWidth(); }
  platform::ImageControl *PreviewSquare() override { return w_.Image; }
  QLabel *SheetCountLabel() override { return w_.Label3; }
  QCheckBox *LandscapeBox() override { return w_.CheckBox1; }

 private:
  Window &w_;
};

}  // namespace layout
