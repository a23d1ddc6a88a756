#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QToolButton>

#include "LanguageTexts.h"
#include "MainWindow.h"
#include "TempDir.h"
#include "core/Paths.h"
#include "win32/WinApi.h"

using app::TextsFor;

TEST(Language, TheMainWindowShowsTheFrenchTable) {
  TempDir dir;
  qputenv("XDG_CONFIG_HOME", dir.File("config").toUtf8());
  platform::SetProgramFileOverride(dir.File("muralix"));
  // The imaging libraries stay beside the test program.
  MxSetApplicationFolder(QCoreApplication::applicationDirPath().toUtf8().constData());
  app::TForm1 form(app::StartOptions{});
  EXPECT_EQ(form.Language, app::kFrench);
  EXPECT_EQ(form.ImageFolderName, QStringLiteral("images"));
  // Hints are set at run time whatever the window was built with.
  EXPECT_EQ(form.FormatBtn->toolTip(), QStringLiteral("Format de l'affiche"));
  EXPECT_EQ(form.ScanImage->toolTip(),
            QStringLiteral("Créer une nouvelle affiche en utilisant un scanner"));
  EXPECT_EQ(form.SaveAsBtn->toolTip(), QStringLiteral("Enregistrer l'affiche sous..."));
  EXPECT_EQ(form.CheckBox1->text(), QStringLiteral("&Paysage"));
  EXPECT_EQ(form.Label3->text(), QStringLiteral("Feuilles : 100"));
  // Screen readers find every tool image by its hint.
  for (QToolButton *b : form.findChildren<QToolButton *>())
    EXPECT_EQ(b->accessibleName(), b->toolTip()) << b->objectName().toStdString();
  platform::SetProgramFileOverride(QString());
  MxSetApplicationFolder(nullptr);
  qunsetenv("XDG_CONFIG_HOME");
}

TEST(Language, TheEnglishTableDiffersWhereTheFrenchDoes) {
  const app::MainWindowTexts &en = TextsFor(app::kEnglish);
  EXPECT_EQ(en.imageFolderName, QStringLiteral("pictures"));
  EXPECT_EQ(en.scanImageHint, QStringLiteral("Create a new placard using a un scanner"));
  EXPECT_EQ(en.formatBtnHint, QStringLiteral("Placard size"));
  EXPECT_EQ(en.fileFilter, QStringLiteral("Placards (*.PLA)|*.PLA"));
  EXPECT_EQ(en.defaultExt, QStringLiteral("PLA"));
  EXPECT_EQ(en.initialFileName, QStringLiteral("*.PLA"));
  EXPECT_EQ(en.noNameCaption, QStringLiteral(" : NONAME"));
  EXPECT_EQ(en.missingSuffix, QStringLiteral(" missing."));
  EXPECT_EQ(en.unknownFormat, QStringLiteral("Unknown file format."));
  EXPECT_EQ(en.saveQuestion, QStringLiteral("Save this placard ?"));
  EXPECT_EQ(en.sheetCountAtStart, QStringLiteral("Sheets : 100"));
  EXPECT_EQ(en.landscapeCaption, QStringLiteral("&Landscape"));
  const app::MainWindowTexts &fr = TextsFor(app::kFrench);
  EXPECT_EQ(fr.noNameCaption, QStringLiteral(" : Fichier SANS NOM"));
  EXPECT_EQ(fr.missingSuffix, QStringLiteral(" introuvable."));
  EXPECT_EQ(fr.fileFilter, QStringLiteral("Affiches (*.AFF)|*.AFF"));
  // Any value other than English selects French.
  EXPECT_EQ(&TextsFor(7), &fr);
}
