#pragma once
// A main window stand-in for the layout's tests: a window-less poster with a picture image
// size and side panel of the test's choosing, and a test fixture that puts a raster
// printer with known page measures in place.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QWidget>
#include <memory>

#include "PosterWindow.h"
#include "gdi/Picture.h"
#include "print/Printer.h"
#include "ScriptedDialogHost.h"
#include "ui/ImageControl.h"

// The document and its picture as a window-less poster holds them, with a picture image
// shown at a size of the test's choosing and, on demand, the main window's side panel.
struct FakeHost : layout::PosterWithoutWindow {
  FakeHost() { document.PosterWidth = document.PosterHeight = 378; }
  int feuilleWidth = 200, feuilleHeight = 100;
  // The side panel, created on demand by WithSidePanel().
  std::unique_ptr<QWidget> panel;
  platform::ImageControl *square = nullptr;
  QLabel *label = nullptr;
  QCheckBox *box = nullptr;
  QLabel *resolution = nullptr;
  QWidget *window = nullptr;  // the main window, when a test gives one

  void WithSidePanel(int width, int height);
  // A poster of `w` x `h` pixels whose picture, as large, shows blocks of `bw` x `bh`
  // (the small printer's sheets).
  void PosterOf(int w, int h, int bw = 100, int bh = 150);

  QSize PictureShownSize() const override { return {feuilleWidth, feuilleHeight}; }
  QWidget *DialogParent() override { return window; }
  layout::SidePanel Preview() override { return {panel.get(), 3, square, label, box, resolution}; }
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
  ScriptedDialogs dialogs_;  // every queued answer must be asked for by the test's end
};

// An image of `w` x `h` whose colour tells which block of `bw` x `bh` a pixel lies in.
QImage BlockImage(int w, int h, int bw, int bh);
QRgb BlockColour(int column, int row);
