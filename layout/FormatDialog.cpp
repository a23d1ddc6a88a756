#include "FormatDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>
#include <cmath>
#include <optional>

#include "PaperFacts.h"
#include "PosterWindow.h"
#include "SheetLabels.h"
#include "SheetLayout.h"
#include "core/Numbers.h"
#include "print/Printer.h"
#include "ui/Application.h"
#include "ui/DialogHost.h"
#include "ui/ImageControl.h"
#include "ui/MessageBoxes.h"

namespace layout {

using platform::Round;

int PositionOfPixels(int pixels, int pixelsPerInch) {
  const int64_t product = int64_t(pixels) * 254;  // an integer first, then divided
  return int(Round(double(product) / (pixelsPerInch > 0 ? pixelsPerInch : 96)));
}

int PixelsOfPosition(int position, int pixelsPerInch) {
  return int(Round((pixelsPerInch > 0 ? pixelsPerInch : 96) * (position / 10.0) / 25.4));
}

QString TNewFor::PositionText(int position) {
  return QString::number(position / 10.0, 'f', 1).replace(u'.', u',');
}

double TNewFor::ReadMillimetres(const QString &text) {
  // The decimal separator is the comma; a point is taken for one too, since "500.5" is
  // what many people type. A text with both, or anything else not read as a number, is not.
  const QString t = text.trimmed();
  if (t.isEmpty() || (t.contains(u'.') && t.contains(u','))) return 100;
  bool ok = false;
  const double value = QString(t).replace(u',', u'.').toDouble(&ok);
  if (!ok || !std::isfinite(value)) return 100;
  return value;
}

TNewFor::TNewFor(PosterWindow &host, QWidget *parent) : QDialog(parent), host_(host) {
  setObjectName(QStringLiteral("NewFor"));
  // The right-hand column is wide enough for the printing options' texts.
  setFixedSize(480, 428);
  setSizeGripEnabled(false);

  auto *frame = new QFrame(this);
  frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  frame->setGeometry(8, 8, 300, 92);
  WLbl = new QLabel(frame);
  WLbl->setGeometry(8, 10, 60, 16);
  Edit1 = new QLineEdit(QStringLiteral("100"), frame);
  Edit1->setGeometry(72, 6, 80, 22);
  auto *label1 = new QLabel(QStringLiteral("mm"), frame);
  label1->setGeometry(158, 10, 30, 16);
  WScroll = new QScrollBar(Qt::Horizontal, frame);
  WScroll->setGeometry(8, 32, 284, 14);
  HLbl = new QLabel(frame);
  HLbl->setGeometry(8, 54, 60, 16);
  Edit2 = new QLineEdit(QStringLiteral("100"), frame);
  Edit2->setGeometry(72, 50, 80, 22);
  auto *label2 = new QLabel(QStringLiteral("mm"), frame);
  label2->setGeometry(158, 54, 30, 16);
  HScroll = new QScrollBar(Qt::Horizontal, frame);
  HScroll->setGeometry(8, 74, 284, 14);
  for (QScrollBar *s : {WScroll, HScroll}) {
    s->setRange(kSmallestPosition, kLargestPosition);
    s->setValue(1000);
    s->setPageStep(10);
  }

  auto *box = new QFrame(this);
  box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  box->setGeometry(8, 104, 300, 300);
  Image = new platform::ImageControl(box);
  Image->setGeometry(8, 8, 284, 284);
  Image->GetPicture().DrawingBitmap(284, 284);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setGeometry(318, 8, 77, 25);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(this);
  CancelBtn->setGeometry(318, 40, 77, 25);
  Label3 = new QLabel(this);
  Label3->setGeometry(318, 80, 85, 16);
  QPalette red = Label3->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  Label3->setPalette(red);
  CheckBox1 = new QCheckBox(this);
  CheckBox1->setGeometry(318, 132, 85, 18);
  ResolutionLbl = new QLabel(this);
  ResolutionLbl->setGeometry(318, 98, 85, 30);
  ResolutionLbl->setWordWrap(true);
  ResolutionLbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  TurnHint = new QToolButton(this);
  TurnHint->setGeometry(314, 152, 89, 34);
  TurnHint->setAutoRaise(true);
  TurnHint->setToolButtonStyle(Qt::ToolButtonTextOnly);
  TurnHint->setCursor(Qt::PointingHandCursor);
  QPalette link = TurnHint->palette();
  link.setColor(QPalette::ButtonText, link.color(QPalette::Link));
  TurnHint->setPalette(link);
  QFont underlined = TurnHint->font();
  underlined.setUnderline(true);
  TurnHint->setFont(underlined);
  TurnHint->hide();
  OverlapLbl = new QLabel(this);
  OverlapLbl->setGeometry(318, 192, 158, 16);
  OverlapSpin = new QSpinBox(this);
  OverlapSpin->setGeometry(318, 210, 77, 22);
  OverlapSpin->setRange(0, kLargestPosition / 10);
  OverlapSpin->setSuffix(QStringLiteral(" mm"));
  OverlapSpin->setValue(std::max(0, host_.OverlapMillimetres()));
  OverlapLbl->setBuddy(OverlapSpin);
  NumbersBox = new QCheckBox(this);
  NumbersBox->setGeometry(318, 242, 158, 18);
  NumbersBox->setChecked(host_.NumberSheets());
  MapBox = new QCheckBox(this);
  MapBox->setGeometry(318, 264, 158, 18);
  MapBox->setChecked(host_.AssemblyMap());
  PdfPaperLbl = new QLabel(this);
  PdfPaperLbl->setGeometry(318, 294, 158, 16);
  PdfPaperBox = new QComboBox(this);
  PdfPaperBox->setGeometry(318, 312, 110, 22);
  PdfPaperBox->setEditable(true);
  PdfPaperBox->setInsertPolicy(QComboBox::NoInsert);
  for (const NamedPaper &paper : NamedPapers()) PdfPaperBox->addItem(QLatin1String(paper.name));
  PdfPaperBox->setCurrentText(QStringLiteral("A4"));
  PdfPaperLbl->setBuddy(PdfPaperBox);
  PdfPaperLbl->hide();
  PdfPaperBox->hide();
  LosslessBox = new QCheckBox(this);
  LosslessBox->setGeometry(318, 344, 158, 18);
  LosslessBox->setChecked(host_.LosslessPicture());
  CheckBox2 = new QCheckBox(this);
  CheckBox2->setGeometry(8, 406, 390, 18);
  CheckBox2->setChecked(true);

  connect(WScroll, &QScrollBar::valueChanged, this,
          platform::Guard([this](int) { WScrollChange(); }));
  connect(HScroll, &QScrollBar::valueChanged, this,
          platform::Guard([this](int) { HScrollChange(); }));
  connect(Edit1, &QLineEdit::editingFinished, this, platform::Guard([this] { ApplyWidthEdit(); }));
  connect(Edit2, &QLineEdit::editingFinished, this, platform::Guard([this] { ApplyHeightEdit(); }));
  connect(CheckBox1, &QCheckBox::clicked, this,
          platform::Guard([this](bool) { CheckBox1Click(); }));
  connect(CheckBox2, &QCheckBox::clicked, this,
          platform::Guard([this](bool) { CheckBox2Click(); }));
  connect(OverlapSpin, &QSpinBox::valueChanged, this,
          platform::Guard([this](int) { OverlapChange(); }));
  connect(NumbersBox, &QCheckBox::clicked, this,
          platform::Guard([this](bool) { NumbersBoxClick(); }));
  connect(MapBox, &QCheckBox::clicked, this, platform::Guard([this](bool) { MapBoxClick(); }));
  connect(LosslessBox, &QCheckBox::clicked, this,
          platform::Guard([this](bool) { LosslessBoxClick(); }));
  connect(PdfPaperBox, &QComboBox::currentTextChanged, this,
          platform::Guard([this](const QString &) { PdfPaperChange(); }));
  connect(OKBtn, &QPushButton::clicked, this, platform::Guard([this](bool) { OKBtnClick(); }));
  connect(TurnHint, &QToolButton::clicked, this,
          platform::Guard([this](bool) { TurnHintClick(); }));
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  // Enter in a size edit applies the size first; the dialog's OK comes with the next one.
  Edit1->installEventFilter(this);
  Edit2->installEventFilter(this);
  WLbl->setBuddy(Edit1);
  HLbl->setBuddy(Edit2);
  Image->setAccessibleName(QStringLiteral("Aperçu des feuilles"));

  SetLanguageTexts();
  OKBtn->setFocus();
}

bool TNewFor::eventFilter(QObject *watched, QEvent *event) {
  if ((watched == Edit1 || watched == Edit2) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    auto *edit = static_cast<QLineEdit *>(watched);
    QScrollBar *scroll = edit == Edit1 ? WScroll : HScroll;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
        edit->text() != PositionText(scroll->value())) {
      platform::RunGuarded([this, edit, scroll] { ApplyEdit(edit, scroll); });
      edit->selectAll();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TNewFor::SetLanguageTexts() {
  const bool english = host_.InterfaceLanguage() == 1;
  setWindowTitle(english ? QStringLiteral("Placard size") : QStringLiteral("Format de l'affiche"));
  WLbl->setText(english ? QStringLiteral("Width :") : QStringLiteral("Largeur :"));
  HLbl->setText(english ? QStringLiteral("Height :") : QStringLiteral("Hauteur :"));
  Edit1->setAccessibleName(english ? QStringLiteral("Width in millimetres")
                                   : QStringLiteral("Largeur en millimètres"));
  Edit2->setAccessibleName(english ? QStringLiteral("Height in millimetres")
                                   : QStringLiteral("Hauteur en millimètres"));
  WScroll->setAccessibleName(english ? QStringLiteral("Width") : QStringLiteral("Largeur"));
  HScroll->setAccessibleName(english ? QStringLiteral("Height") : QStringLiteral("Hauteur"));
  Label3->setText(english ? QStringLiteral("Sheets : 100") : QStringLiteral("Feuilles : 100"));
  CheckBox1->setText(english ? QStringLiteral("&Landscape") : QStringLiteral("&Paysage"));
  CheckBox2->setText(english ? QStringLiteral("&Keep ratio")
                             : QStringLiteral("&Conserver les proportions de l'image originale"));
  CancelBtn->setText(english ? QStringLiteral("Cancel") : QStringLiteral("Annuler"));
  OverlapLbl->setText(english ? QStringLiteral("&Overlap :") : QStringLiteral("&Recouvrement :"));
  OverlapSpin->setAccessibleName(
      (english ? QStringLiteral("Overlap : %1 mm") : QStringLiteral("Recouvrement : %1 mm"))
          .arg(OverlapSpin->value()));
  NumbersBox->setText(english ? QStringLiteral("&Number the sheets")
                              : QStringLiteral("&Numéroter les feuilles"));
  NumbersBox->setAccessibleName(QString(NumbersBox->text()).remove(u'&'));
  MapBox->setText(english ? QStringLiteral("Assembly &map") : QStringLiteral("Plan d'&assemblage"));
  MapBox->setAccessibleName(QString(MapBox->text()).remove(u'&'));
  LosslessBox->setText(english ? QStringLiteral("Lossless p&icture")
                               : QStringLiteral("Image sans pert&e"));
  LosslessBox->setAccessibleName(QString(LosslessBox->text()).remove(u'&'));
  LosslessBox->setToolTip(
      english ? QStringLiteral("The sheets keep the picture's pixels exactly in a PDF, in a file "
                               "several times larger")
              : QStringLiteral("Les feuilles gardent les pixels de l'image exactement dans un "
                               "PDF, dans un fichier plusieurs fois plus gros"));
  PdfPaperLbl->setText(english ? QStringLiteral("PDF pa&per :")
                               : QStringLiteral("Pa&pier du PDF :"));
  PdfPaperBox->setAccessibleName(
      (english ? QStringLiteral("PDF paper : %1") : QStringLiteral("Papier du PDF : %1"))
          .arg(PdfPaperBox->currentText()));
}

void TNewFor::NumbersBoxClick() {
  host_.SetNumberSheets(NumbersBox->isChecked());
}

void TNewFor::MapBoxClick() {
  host_.SetAssemblyMap(MapBox->isChecked());
}

void TNewFor::LosslessBoxClick() {
  host_.SetLosslessPicture(LosslessBox->isChecked());
}

void TNewFor::PdfPaperChange() {
  // A text being typed that names no paper yet changes nothing.
  const QString text = PdfPaperBox->currentText().trimmed();
  if (!PaperSizeOf(text)) return;
  UsePdfPaper(host_, text);
  SetLanguageTexts();
  Redraw();
}

void TNewFor::OverlapChange() {
  host_.SetOverlapMillimetres(OverlapSpin->value());
  SetLanguageTexts();
  Redraw();
}

int TNewFor::WScrollPosition() const {
  return WScroll->value();
}
int TNewFor::HScrollPosition() const {
  return HScroll->value();
}
void TNewFor::SetWScrollPosition(int position) {
  WScroll->setValue(position);
}
void TNewFor::SetHScrollPosition(int position) {
  HScroll->setValue(position);
}

int TNewFor::PixelsOf(int position) const {
  return PixelsOfPosition(position, host_.PixelsPerInch());
}

void TNewFor::Redraw() {
  DrawSheetLayout(*Image, PixelsOf(WScroll->value()), PixelsOf(HScroll->value()), false, Label3,
                  host_);
  ShowPaperFacts();
}

void TNewFor::ShowPaperFacts() {
  const int language = host_.InterfaceLanguage();
  ShowResolution(ResolutionLbl, language,
                 ResolutionOnPaper(host_, WScroll->value() / 10.0, HScroll->value() / 10.0));
  ShowFewerSheetsHint(TurnHint, language, PixelsOf(WScroll->value()), PixelsOf(HScroll->value()),
                      host_.PixelsPerInch());
}

void TNewFor::TurnHintClick() {
  CheckBox1->setChecked(!CheckBox1->isChecked());
  CheckBox1Click();
  // The hint has gone with the sheets it promised; the keyboard stays on the paper's box.
  if (TurnHint->isHidden()) CheckBox1->setFocus();
}

int TNewFor::Execute() {
  FormShow();
  const int result = platform::Dialogs().ExecModal(*this);
  FormClose();
  return result;
}

void TNewFor::FormShow() {
  Label3->clear();
  const bool landscape = platform::ThePrinter().IsLandscape();
  if (CheckBox1->isChecked() != landscape) {
    CheckBox1->setChecked(landscape);
    CheckBox1Click();
  }
  if (CheckBox2->isChecked() != host_.Poster().KeepRatio) {
    CheckBox2->setChecked(host_.Poster().KeepRatio);
    CheckBox2Click();
  }
  NumbersAtShow = host_.NumberSheets();
  MapAtShow = host_.AssemblyMap();
  LosslessAtShow = host_.LosslessPicture();
  NumbersBox->setChecked(NumbersAtShow);
  MapBox->setChecked(MapAtShow);
  LosslessBox->setChecked(LosslessAtShow);
  PdfPaperAtShow = host_.PdfPaper();
  const bool pdfPaper = platform::ThePrinter().TakesPdfPaper();
  PdfPaperLbl->setVisible(pdfPaper);
  PdfPaperBox->setVisible(pdfPaper);
  {
    const QSignalBlocker block(PdfPaperBox);
    PdfPaperBox->setCurrentText(PdfPaperAtShow.isEmpty() ? QStringLiteral("A4") : PdfPaperAtShow);
  }
  SetLanguageTexts();
  OverlapAtShow = host_.OverlapMillimetres();
  if (OverlapSpin->value() != OverlapAtShow) {
    const QSignalBlocker block(OverlapSpin);
    OverlapSpin->setValue(OverlapAtShow);
    SetLanguageTexts();
  }
  Redraw();
  EditTextAtShow[0] = Edit1->text();
  EditTextAtShow[1] = Edit2->text();
  OKBtn->setFocus();
}

void TNewFor::FormClose() {
  if (Edit1->text() != EditTextAtShow[0] || Edit2->text() != EditTextAtShow[1])
    host_.Poster().Modified = true;
}

void TNewFor::ApplyEdit(QLineEdit *edit, QScrollBar *scroll) {
  double value = ReadMillimetres(edit->text());
  value = std::clamp(value, scroll->minimum() / 10.0, scroll->maximum() / 10.0);
  const int position = int(platform::Trunc(value * 10));
  if (position != scroll->value()) {
    scroll->setValue(position);
  } else if (edit->text() != PositionText(position)) {
    // The position stays, but the edit must show the size in force, not what was typed.
    edit->setText(PositionText(position));
  }
  Redraw();
}

void TNewFor::ApplyWidthEdit() {
  ApplyEdit(Edit1, WScroll);
}
void TNewFor::ApplyHeightEdit() {
  ApplyEdit(Edit2, HScroll);
}

// The two handlers call each other through the lock and stop when a rounding gives back
// the position already there; the depth bound only guards against a pair of sizes that
// would flip between two roundings for ever.
void TNewFor::WScrollChange() {
  Edit1->setText(PositionText(WScroll->value()));
  const QSize shown = host_.PictureShownSize();
  const int fw = shown.width(), fh = shown.height();
  if (host_.Poster().KeepRatio && fw > 0 && fh > 0 && lockDepth_ < 16) {
    ++lockDepth_;
    const double q = double(fh) / fw;
    const int64_t t = Round(WScroll->value() * q);
    HScroll->setValue(int(std::clamp<int64_t>(t, HScroll->minimum(), HScroll->maximum())));
    if (HScroll->value() == HScroll->maximum())
      WScroll->setValue(int(std::clamp<int64_t>(Round(HScroll->maximum() / q), WScroll->minimum(),
                                                WScroll->maximum())));
    --lockDepth_;
  }
  Redraw();
}

void TNewFor::HScrollChange() {
  Edit2->setText(PositionText(HScroll->value()));
  const QSize shown = host_.PictureShownSize();
  const int fw = shown.width(), fh = shown.height();
  if (host_.Poster().KeepRatio && fw > 0 && fh > 0 && lockDepth_ < 16) {
    ++lockDepth_;
    const double q = double(fw) / fh;
    const int64_t t = Round(HScroll->value() * q);
    WScroll->setValue(int(std::clamp<int64_t>(t, WScroll->minimum(), WScroll->maximum())));
    if (WScroll->value() == WScroll->maximum())
      HScroll->setValue(int(std::clamp<int64_t>(Round(WScroll->maximum() / q), HScroll->minimum(),
                                                HScroll->maximum())));
    --lockDepth_;
  }
  Redraw();
}

void TNewFor::CheckBox1Click() {
  const bool landscape = CheckBox1->isChecked();
  platform::ThePrinter().SetOrientation(landscape ? platform::Orientation::Landscape
                                                  : platform::Orientation::Portrait);
  host_.Poster().Landscape = landscape;
  Redraw();
  host_.Poster().Modified = true;
}

void TNewFor::CheckBox2Click() {
  host_.Poster().Modified = true;
  host_.Poster().KeepRatio = CheckBox2->isChecked();
  WScrollChange();
}

void TNewFor::OKBtnClick() {
  ApplyWidthEdit();
  ApplyHeightEdit();
  // An overlap as wide as a sheet's printable side is refused, and the dialog stays open.
  const int overlap = OverlapSpin->value();
  if (overlap > 0) {
    const platform::PrinterPageMetrics page = platform::ThePrinter().PageMetrics();
    const SheetGrid grid = SheetGridFor(page, 1, 1, host_.PixelsPerInch(), overlap);
    if (grid.overlapRefused) {
      platform::ErrorBox(OverlapTooLargeText(host_.InterfaceLanguage(), overlap, page), this);
      OverlapSpin->setFocus();
      return;
    }
  }
  accept();
}

void UsePdfPaper(PosterWindow &host, const QString &name) {
  const std::optional<QSizeF> size = PaperSizeOf(name);
  const QString kept = name.trimmed();
  host.SetPdfPaper(!size || kept.compare(QStringLiteral("A4"), Qt::CaseInsensitive) == 0 ? QString()
                                                                                         : kept);
  const QSizeF mm = size.value_or(QSizeF(210.0, 297.0));
  platform::ThePrinter().SetPdfPaper(mm.width(), mm.height());
}

void FormatBtnClick(PosterWindow &host, TNewFor &dialog) {
  const int ppi = host.PixelsPerInch();
  dialog.SetWScrollPosition(PositionOfPixels(host.Poster().PosterWidth, ppi));
  dialog.SetHScrollPosition(PositionOfPixels(host.Poster().PosterHeight, ppi));
  if (dialog.Execute() == QDialog::Accepted) {
    host.Poster().PosterWidth = PixelsOfPosition(dialog.WScrollPosition(), ppi);
    host.Poster().PosterHeight = PixelsOfPosition(dialog.HScrollPosition(), ppi);
  } else {
    host.SetOverlapMillimetres(dialog.OverlapAtShow);
    host.SetNumberSheets(dialog.NumbersAtShow);
    host.SetAssemblyMap(dialog.MapAtShow);
    host.SetLosslessPicture(dialog.LosslessAtShow);
    if (host.PdfPaper() != dialog.PdfPaperAtShow) UsePdfPaper(host, dialog.PdfPaperAtShow);
  }
  // The orientation chosen in the dialog stays after Cancel too: the main window's box,
  // preview and sheet count follow it, so they show what will print.
  RefreshPreview(host);
}

}  // namespace layout
