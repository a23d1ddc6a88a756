#pragma once
// The main window's texts in the program's two languages. One value selects the set:
// 0 French, 1 English. The program runs in French.
#include <QString>
#include <cstdint>

namespace app {

constexpr uint8_t kFrench = 0;
constexpr uint8_t kEnglish = 1;

struct MainWindowTexts {
  QString imageFolderName;
  QString newBtnHint, scanSelectHint, scanImageHint, openBtnHint, saveBtnHint, formatBtnHint,
      printBtnHint, saveAsBtnHint, exitBtnHint, helpBtnHint, aProposBtnHint;
  QString sheetCountAtStart;  // the sheet count label until the first count
  QString landscapeCaption;   // '&' marks the keyboard accelerator
  QString defaultExt;         // of the open and save dialogs, without the dot
  QString initialFileName;
  QString fileFilter;     // "Description|*.EXT"
  QString noNameCaption;  // caption part of a new poster without a file
  QString missingSuffix;  // after the picture's full path
  QString unknownFormat;
  QString saveQuestion;
  QString nothingSaved;       // after the failure's text, when a save stopped
  QString noScanner;          // before the save question, when no scanner answers
};

const MainWindowTexts &TextsFor(uint8_t language);

// Fixed texts, the same in both languages.
inline const QString kApplicationTitle = QStringLiteral("Muralix");
inline const QString kCaptionSeparator = QStringLiteral(" : ");
inline const QString kCaptionNotice = QStringLiteral(" - Affiches sur plusieurs feuilles");
inline const QString kSplashSuffix = QStringLiteral(" pour Windows 95 et supérieur - Version 2.0");

}  // namespace app
