#pragma once
// A main window stand-in for the layout's tests: plain fields behind the host interface,
// and a test fixture that puts a raster printer with known page measures in place.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QWidget>
#include <memory>

#include "PosterHost.h"
#include "gdi/Picture.h"
#include "print/Printer.h"
#include "ScriptedDialogHost.h"
#include "ui/ImageControl.h"

struct FakeHost : layout::PosterHost {
  int language = 0;
  int posterWidth = 378, posterHeight = 378;
  bool keepRatio = true, landscape = false, modified = false;
  QString posterFileName;
  int feuilleWidth = 200, feuilleHeight = 100;
  platform::Picture picture;
  int ppi = 96;
  // The side panel, created on demand by WithSidePanel().
  std::unique_ptr<QWidget> panel;
  platform::ImageControl *square = nullptr;
  QLabel *label = nullptr;
  QCheckBox *box = nullptr;
  int landscapeWrites = 0;

  void WithSidePanel(int width, int height);

  int Language() const override { return language; }
  int PosterWidth() const override { return posterWidth; }
  int PosterHeight() const override { return posterHeight; }
  void SetPosterWidth(int p) override { posterWidth = p; }
  void SetPosterHeight(int p) override { posterHeight = p; }
  bool KeepRatio() const override { return keepRatio; }
  void SetKeepRatio(bool k) override { keepRatio = k; }
  bool Landscape() const override { return landscape; }
  void SetLandscape(bool l) override {
    landscape = l;
    ++landscapeWrites;
  }
  bool Modified() const override { return modified; }
  void SetModified(bool m) override { modified = m; }
  QString PosterFileName() const override { return posterFileName; }
  int FeuilleWidth() const override { return feuilleWidth; }
  int FeuilleHeight() const override { return feuilleHeight; }
  const platform::Picture &FeuillePicture() const override { return picture; }
  int PixelsPerInch() const override { return ppi; }
  QWidget *window = nullptr;  // the main window, when a test gives one
  QWidget *DialogParent() override { return window; }
  QWidget *PreviewPanel() override { return panel.get(); }
  int PreviewPanelEdge() const override { return 3; }
  platform::ImageControl *PreviewSquare() override { return square; }
  QLabel *SheetCountLabel() override { return label; }
  QCheckBox *LandscapeBox() override { return box; }
};

// The worked example's printer: 600 dots per inch, printable 4800 x 6600 dots on paper
// of 4960 x 7016, offsets 80 x 80.
inline platform::PrinterPageMetrics WorkedExamplePrinter() {
  platform::PrinterPageMetrics m;
  m.printableWidth = 4800;
  m.printableHeight = 6600;
  m.physicalWidth = 4960;
  m.physicalHeight = 7016;
  m.offsetX = m.offsetY = 80;
  m.dpiX = m.dpiY = 600;
  return m;
}

// A small printer at the screen's resolution (one dot per poster pixel) for printing
// tests whose pages are kept as images.
inline platform::PrinterPageMetrics SmallPrinter() {
  platform::PrinterPageMetrics m;
  m.printableWidth = 100;
  m.printableHeight = 150;
  m.physicalWidth = 120;
  m.physicalHeight = 170;
  m.offsetX = m.offsetY = 10;
  m.dpiX = m.dpiY = 96;
  return m;
}

class LayoutTest : public ::testing::Test {
 protected:
  void UsePrinter(const platform::PrinterPageMetrics &m);
  void SetUp() override;
  void TearDown() override;
  platform::ScriptedDialogHost &Dialogs() { return *dialogs_; }

  FakeHost host;
  platform::RasterPrinter *printer = nullptr;  // owned by the program's printer

 private:
  platform::ScriptedDialogHost *dialogs_ = nullptr;
};

// An image of `w` x `h` whose colour tells which block of `bw` x `bh` a pixel lies in.
QImage BlockImage(int w, int h, int bw, int bh);
QRgb BlockColour(int column, int row);
