#pragma once
// The poster format dialog: width and height in millimetres (scrollbars in tenths of a
// millimetre, edits with one decimal), the paper orientation, the ratio lock, and its
// own sheet preview redrawn on every change.
#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QToolButton;
class QSpinBox;

namespace platform {
class ImageControl;
}

namespace layout {

class PosterWindow;

// The sizes the dialog gives, in tenths of a millimetre: 0,1 to 2970 mm.
constexpr int kSmallestPosition = 1;
constexpr int kLargestPosition = 29700;

// `TNewFor`: the poster format dialog.
class TNewFor : public QDialog {
  Q_OBJECT
 public:
  explicit TNewFor(PosterWindow &host, QWidget *parent = nullptr);

  // Shows the dialog modally through the program's dialog host, with its show and close
  // steps around it. Returns QDialog::Accepted or Rejected.
  int Execute();

  // Positions in tenths of a millimetre; setting one runs its change handling when it
  // moves, and a value outside 1 .. 29700 stops at the bound.
  int WScrollPosition() const;
  int HScrollPosition() const;
  void SetWScrollPosition(int position);
  void SetHScrollPosition(int position);

  // Handlers and operations, public so that the main window and tests can drive them.
  void SetLanguageTexts();
  void FormShow();
  void FormClose();
  void ApplyWidthEdit();
  void ApplyHeightEdit();
  void WScrollChange();
  void HScrollChange();
  void CheckBox1Click();
  void CheckBox2Click();
  void OKBtnClick();
  void OverlapChange();
  void NumbersBoxClick();
  void MapBoxClick();
  void LosslessBoxClick();
  void PdfPaperChange();
  void Redraw();
  // The picture's resolution at the chosen size and the other orientation's sheet count.
  void ShowPaperFacts();
  void TurnHintClick();

  bool eventFilter(QObject *watched, QEvent *event) override;

  // Conversions of the dialog.
  static QString PositionText(int position);           // 1000 -> "100,0"
  static double ReadMillimetres(const QString &text);  // "12,34" or "12.34" -> 12.34; else 100

  QLineEdit *Edit1 = nullptr;               // `Edit1`: the width in millimetres
  QLineEdit *Edit2 = nullptr;               // `Edit2`: the height in millimetres
  QScrollBar *WScroll = nullptr;            // `WScroll`: the width in tenths of a millimetre
  QScrollBar *HScroll = nullptr;            // `HScroll`: the height in tenths of a millimetre
  platform::ImageControl *Image = nullptr;  // `Image`: the dialog's own sheet preview
  QLabel *Label3 = nullptr;                 // `Label3`: the sheet count, in red
  QCheckBox *CheckBox1 = nullptr;           // `CheckBox1`: the landscape box
  QLabel *ResolutionLbl = nullptr;          // the picture's resolution on paper
  QToolButton *TurnHint = nullptr;          // "4 feuilles en paysage": a click turns the paper
  QCheckBox *CheckBox2 = nullptr;           // `CheckBox2`: the ratio lock
  // The glue overlap in millimetres, "Recouvrement : N mm"; it applies to the window as it
  // changes, and Cancel gives back the value the dialog was shown with.
  QLabel *OverlapLbl = nullptr;
  QSpinBox *OverlapSpin = nullptr;
  int OverlapAtShow = 0;
  // "Numéroter les feuilles" and "Plan d'assemblage", applied as they change like the
  // overlap, and given back by Cancel.
  QCheckBox *NumbersBox = nullptr;
  QCheckBox *MapBox = nullptr;
  QCheckBox *LosslessBox = nullptr;
  bool NumbersAtShow = false, MapAtShow = false, LosslessAtShow = false;
  // The PDF printer's paper: shown only when that printer stands in for a missing system
  // printer. A named paper or a typed "LxHmm"; the grid follows it at once.
  QLabel *PdfPaperLbl = nullptr;
  QComboBox *PdfPaperBox = nullptr;
  QString PdfPaperAtShow;
  QPushButton *OKBtn = nullptr;
  QPushButton *CancelBtn = nullptr;
  // The two edits' texts when the dialog was shown: a change marks the poster modified.
  QString EditTextAtShow[2];

 private:
  void ApplyEdit(QLineEdit *edit, QScrollBar *scroll);
  int PixelsOf(int position) const;

  PosterWindow &host_;
  QLabel *WLbl = nullptr;
  QLabel *HLbl = nullptr;
  int lockDepth_ = 0;
};

// The main window's format command: the document's size into the dialog, the dialog,
// and on OK the size back into the document and the preview redrawn.
void FormatBtnClick(PosterWindow &host, TNewFor &dialog);

// The PDF printer's paper: kept by the window (empty for A4) and given to the printer. A
// name that is no paper stands for A4.
void UsePdfPaper(PosterWindow &host, const QString &name);

// Screen pixels <-> tenths of a millimetre, as the dialog and the commands convert.
int PositionOfPixels(int pixels, int pixelsPerInch);
int PixelsOfPosition(int position, int pixelsPerInch);

}  // namespace layout
