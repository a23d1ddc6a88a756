#pragma once
// The main window started as the program starts it, in a program folder of its own, with
// scripted dialogs; shared by the main window's tests and the end-to-end tests.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QSettings>

#include <QLabel>
#include <QToolButton>
#include "LanguageTexts.h"
#include "MainWindow.h"
#include "PosterFile.h"
#include "TempDir.h"
#include "core/Paths.h"
#include "ScriptedDialogHost.h"
#include "ui/ImageControl.h"
#include "ui/MessageBoxes.h"
#include "win32/WinApi.h"

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("XDG_CONFIG_HOME", dir_.File("config").toUtf8());
    QDir().mkpath(dir_.File("prog"));
    platform::SetProgramFileOverride(dir_.File("prog/muralix"));
    // The pictures go where the program keeps its data: here its own folder, as in a build.
    platform::SetProgramDataFolderOverride(dir_.File("prog/"));
    // The imaging libraries stay beside the test program, not in the test's program folder.
    MxSetApplicationFolder(QCoreApplication::applicationDirPath().toUtf8().constData());
    platform::SetApplicationTitle(QStringLiteral("Muralix"));
  }
  void TearDown() override {
    platform::SetProgramFileOverride(QString());
    platform::SetProgramDataFolderOverride(QString());
    MxSetApplicationFolder(nullptr);
    qunsetenv("XDG_CONFIG_HOME");
  }

  std::unique_ptr<app::TForm1> Start(const QStringList &arguments = {}) {
    app::StartOptions options;
    options.arguments = arguments;
    auto form = std::make_unique<app::TForm1>(options);
    form->OpenCommandLinePoster();
    return form;
  }
  void WriteSettings(const QByteArray &ini) {
    QDir().mkpath(dir_.File("config"));
    dir_.Write("config/muralix.ini", ini);
  }
  QSettings Settings() { return QSettings(dir_.File("config/muralix.ini"), QSettings::IniFormat); }
  QString Prog(const QString &name) const { return dir_.File("prog/" + name); }
  QString MakeBmp(const QString &path, int w, int h, QRgb colour = 0xff3366cc) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path, "BMP");
    return path;
  }
  QString MakePoster(const QString &name, const QString &picture, int w = 400, int h = 300) {
    app::PosterFileContents c;
    c.posterWidth = w;
    c.posterHeight = h;
    c.imageFileName = picture;
    c.keepRatio = true;
    app::WritePosterFileContents(Prog(name), c);
    return Prog(name);
  }
  static bool InDocumentState(const app::TForm1 &f) {
    return f.Feuille->isVisibleTo(&f) && f.SaveBtn->isVisibleTo(&f) && f.Label3->isVisibleTo(&f);
  }
  static QString Caption(const QString &middle) {
    return QStringLiteral("Muralix") + middle + app::kCaptionNotice;
  }

  TempDir dir_;
  ScriptedDialogs dialogs_;  // every queued answer must be asked for by the test's end
};
