#pragma once
// What the sheet layout, the format dialog and printing need of the window that shows a
// poster document, besides the document itself. The main window implements it; the layout
// never sees the window's class, so the dependency keeps pointing from the application to
// the layout. The command-line modes use PosterWithoutWindow.
#include <QSize>

#include "PosterDocument.h"
#include "gdi/Picture.h"

class QCheckBox;
class QLabel;
class QWidget;

namespace platform {
class ImageControl;
}

namespace layout {

// The main window's side panel: the panel `Panel4` that holds the sheet preview square
// `Image`, the width of that panel's frame, the sheet count label `Label3` and the
// landscape box `CheckBox1`, and the picture's resolution on paper under the count. Every
// pointer is null where there is no window.
struct SidePanel {
  QWidget *panel = nullptr;
  int edge = 0;
  platform::ImageControl *square = nullptr;
  QLabel *label = nullptr;
  QCheckBox *box = nullptr;
  QLabel *resolution = nullptr;
};

class PosterWindow {
 public:
  virtual ~PosterWindow() = default;

  virtual PosterDocument &Poster() = 0;
  // Interface language: 0 French, 1 English.
  virtual int InterfaceLanguage() const = 0;
  // The screen's pixels per inch, in which the document's sizes are held (96 at design).
  virtual int PixelsPerInch() const = 0;
  // The picture image `Feuille`: the graphic it holds, and the size it shows it at (the
  // ratio lock's proportions come from that size, not from the graphic).
  virtual const platform::Picture &PosterPicture() const = 0;
  virtual QSize PictureShownSize() const = 0;
  // Parent of the dialogs and message boxes; null without a window.
  virtual QWidget *DialogParent() = 0;
  virtual SidePanel Preview() = 0;
  // The glue overlap between neighbouring sheets, in whole millimetres: a printing
  // preference kept in the settings, not in the poster file. 0 cuts edge to edge.
  virtual int OverlapMillimetres() const { return 0; }
  virtual void SetOverlapMillimetres(int) {}
  // "Numéroter les feuilles" and "Plan d'assemblage": printing preferences too, off
  // unless asked for.
  virtual bool NumberSheets() const { return false; }
  virtual void SetNumberSheets(bool) {}
  virtual bool AssemblyMap() const { return false; }
  virtual void SetAssemblyMap(bool) {}
  // "Image sans perte": a printer that encodes pictures (the PDF printer, a queue) is given
  // the sheets' pixels to keep exactly instead of as JPEG. Off unless asked for: the file
  // is several times larger.
  virtual bool LosslessPicture() const { return false; }
  virtual void SetLosslessPicture(bool) {}
  // The PDF printer's paper as the person named it ("A3", "Letter", "300x400mm"); empty
  // for its A4. Kept in the settings.
  virtual QString PdfPaper() const { return {}; }
  virtual void SetPdfPaper(const QString &) {}
};

// A poster document and its picture without a window, at the design resolution: for the
// command-line modes and the benchmarks. The picture is shown at its own size, which is
// all the ratio lock takes from it, and there is no side panel.
class PosterWithoutWindow : public PosterWindow {
 public:
  PosterDocument document;
  platform::Picture picture;
  int language = 0;
  int pixelsPerInch = 96;
  int overlapMm = 0;
  bool numberSheets = false;
  bool assemblyMap = false;
  bool losslessPicture = false;
  QString pdfPaper;

  PosterDocument &Poster() override { return document; }
  int InterfaceLanguage() const override { return language; }
  int PixelsPerInch() const override { return pixelsPerInch; }
  const platform::Picture &PosterPicture() const override { return picture; }
  QSize PictureShownSize() const override { return {picture.Width(), picture.Height()}; }
  QWidget *DialogParent() override { return nullptr; }
  SidePanel Preview() override { return {}; }
  int OverlapMillimetres() const override { return overlapMm; }
  void SetOverlapMillimetres(int mm) override { overlapMm = mm; }
  bool NumberSheets() const override { return numberSheets; }
  void SetNumberSheets(bool on) override { numberSheets = on; }
  bool AssemblyMap() const override { return assemblyMap; }
  void SetAssemblyMap(bool on) override { assemblyMap = on; }
  bool LosslessPicture() const override { return losslessPicture; }
  void SetLosslessPicture(bool on) override { losslessPicture = on; }
  QString PdfPaper() const override { return pdfPaper; }
  void SetPdfPaper(const QString &name) override { pdfPaper = name; }
};

}  // namespace layout
