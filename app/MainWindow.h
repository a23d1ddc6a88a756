#pragma once
// The main window: the tool column, the picture panel and the side panel with the sheet
// preview. It holds the one poster document, which every other window reaches through it.
#include <QStringList>
#include <QWidget>
#include <cstdint>

#include "PosterWindow.h"

class QCheckBox;
class QFrame;
class QLabel;
class QToolButton;

namespace platform {
class ImageControl;
class Picture;
}  // namespace platform
namespace imagecomp {
class TImageView;
}
namespace dialogs {
class TAboutBox;
}
namespace layout {
class TNewFor;
}

namespace app {

struct MainWindowTexts;

// What the main window is started with: the poster to open comes from the arguments.
struct StartOptions {
  QStringList arguments;  // the command line without the program name
  // The folder the program was started in, where a relative poster name is read from:
  // the first start moves the working folder to the new picture folder's before the
  // poster opens. Empty: the working folder at the window's creation.
  QString startFolder;
};

// `TForm1`: the main window, owner of the one poster document.
class TForm1 : public QWidget, public layout::PosterWindow {
  Q_OBJECT
 public:
  explicit TForm1(const StartOptions &options, QWidget *parent = nullptr);
  ~TForm1() override;

  // Opens the poster named on the command line. Run once every window of the program
  // exists, since reading a poster draws its sheet layout.
  void OpenCommandLinePoster();
  // The format dialog and the about box live as long as the program; the entry makes
  // them after this window.
  void CreateFormatDialog();
  void SetAboutBox(dialogs::TAboutBox *box) { aboutBox_ = box; }
  // `NewFor`: the poster format dialog, made once by CreateFormatDialog.
  layout::TNewFor *NewFor = nullptr;

  // --- Main window fields ---
  QString ProgramFolder;    // the program's folder for what it writes (platform::ProgramDataFolder)
  QString ImageFolderName;  // the picture folder's name in ProgramFolder ("images")
  uint8_t Language = 0;     // interface language: kFrench or kEnglish
  QString SettingsKeyName;  // the settings' key: the program file's name with ".ini"
  bool ShowPreview = true;  // the image choice dialog shows a preview of the picture
  int OverlapMm = 0;        // the sheets' glue overlap in millimetres (settings "Options")
  bool NumberSheetsOn = false;     // "Numéroter les feuilles" (settings "Options")
  bool AssemblyMapOn = false;      // "Plan d'assemblage" (settings "Options")
  bool LosslessPictureOn = false;  // "Image sans perte" (settings "Options")
  QString PdfPaperName;            // the PDF printer's paper, empty for A4 (settings "Options")
  bool ForgetLastFile = false;     // closing remembers no last poster file (it did not open)

  // --- The poster document ---
  layout::PosterDocument Document;

  // --- Controls ---
  QFrame *Panel1 = nullptr;  // `Panel1`: the tool column
  // The tool images, one per command (`NewBtn`: new poster, `ScanSelect`: choose the
  // scanner, `ScanImage`: scan, `OpenBtn`, `SaveBtn`, `SaveAsBtn`, `FormatBtn`, `PrintBtn`,
  // `ExitBtn`); `HelpBtn` and `AProposBtn` are hidden.
  QToolButton *NewBtn = nullptr, *ScanSelect = nullptr, *ScanImage = nullptr, *OpenBtn = nullptr,
              *SaveBtn = nullptr, *SaveAsBtn = nullptr, *FormatBtn = nullptr, *PrintBtn = nullptr,
              *ExitBtn = nullptr, *HelpBtn = nullptr, *AProposBtn = nullptr;
  QFrame *Panel = nullptr;  // `Panel`: the picture panel
  // `Feuille`: the picture image, the poster's picture fitted into the picture panel.
  platform::ImageControl *Feuille = nullptr;
  QLabel *EmptyHint = nullptr;  // what to do first, shown while there is no poster
  // `Tampon`: the hidden image component that reads the formats of the imaging library,
  // scans, and writes a scan as TIFF.
  imagecomp::TImageView *Tampon = nullptr;
  QFrame *Panel2 = nullptr;                 // `Panel2`: the side panel
  QFrame *Panel3 = nullptr;                 // `Panel3`: its foot, with the box and the count
  QFrame *Panel4 = nullptr;                 // `Panel4`: the panel around the sheet preview
  QCheckBox *CheckBox1 = nullptr;           // `CheckBox1`: the landscape box
  QLabel *Label3 = nullptr;                 // `Label3`: the sheet count, in red
  QLabel *Resolution = nullptr;             // the picture's resolution on paper, under it
  platform::ImageControl *Image = nullptr;  // `Image`: the sheet preview square

  // --- Poster file ---
  void ReadPosterFile(const QString &path);
  void WritePosterFile(const QString &path);
  QString PictureFolder() const;  // ProgramFolder + ImageFolderName, without separator

  // --- States and commands ---
  void ShowNoDocument();
  void ShowDocument();
  bool AskSaveChanges();
  // The commands, named after the menu items they stand for: `Nouveau1Click` new poster
  // from a picture file, `Ouvrir1Click` open, `Enregistrer1Click` save,
  // `Enregistrersous1Click` save as, `Imprimer1Click` print, `Quitter1Click` quit,
  // `Aide1Click` help, `Apropos1Click` about; the others are named after their tools.
  void Nouveau1Click();
  void ScanImageClick();
  void ScanSelectClick();
  void Ouvrir1Click();
  void Enregistrer1Click();
  void Enregistrersous1Click();
  void FormatBtnClick();
  void PrintBtnClick();
  void Imprimer1Click();
  void Quitter1Click();
  void Aide1Click();
  void Apropos1Click();
  void CheckBox1Click();

  // --- Layout of the window ---
  void FitPicture();
  void RefreshPreview();
  void SizePreviewSquare();
  // The caption: application title + `middle` + the caption notice.
  void SetCaption(const QString &middle);
  // The screen's pixels per inch, in which poster sizes are held.
  int ScreenPpi() const;

  const MainWindowTexts &Texts() const;

  // --- What the layout sees of this window ---
  layout::PosterDocument &Poster() override { return Document; }
  int InterfaceLanguage() const override { return Language; }
  int PixelsPerInch() const override { return ScreenPpi(); }
  const platform::Picture &PosterPicture() const override;
  QSize PictureShownSize() const override;
  QWidget *DialogParent() override { return this; }
  layout::SidePanel Preview() override;
  int OverlapMillimetres() const override { return OverlapMm; }
  void SetOverlapMillimetres(int mm) override { OverlapMm = mm; }
  bool NumberSheets() const override { return NumberSheetsOn; }
  void SetNumberSheets(bool on) override { NumberSheetsOn = on; }
  bool AssemblyMap() const override { return AssemblyMapOn; }
  void SetAssemblyMap(bool on) override { AssemblyMapOn = on; }
  bool LosslessPicture() const override { return LosslessPictureOn; }
  void SetLosslessPicture(bool on) override { LosslessPictureOn = on; }
  QString PdfPaper() const override { return PdfPaperName; }
  void SetPdfPaper(const QString &name) override { PdfPaperName = name; }

 protected:
  void resizeEvent(QResizeEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

 private:
  void FormCreate();
  void FormResize();
  bool FormCloseQuery();
  void FormClose();
  void ApplyLanguage();
  void ReadSettings();
  void CreateControls();
  QToolButton *CreateToolImage(const QString &name, int y, void (TForm1::*handler)());
  // The picture of a poster: the platform's picture classes for BMP, WMF and ICO (a
  // metafile stays vectors, an icon keeps its transparency), the image component for the
  // rest. A picture that cannot be read raises a Failure naming the file and the reason.
  platform::Picture LoadPosterPicture(const QString &path);
  // Runs the format dialog for a picture just loaded; returns true when accepted.
  bool ShowFormatDialogForNewPoster();

  StartOptions options_;
  dialogs::TAboutBox *aboutBox_ = nullptr;
  bool closing_ = false;
};

// The one main window of the program, for the windows that reach the poster document.
TForm1 *MainForm();

}  // namespace app
