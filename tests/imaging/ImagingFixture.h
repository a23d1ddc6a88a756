#pragma once
// Every binding test starts from the program's start state, with its own Windows folder,
// a scripted dialog host (so the binding's message boxes are seen, not shown), and the
// library search pointed at the stand-in libraries unless the test says otherwise.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include "Binding.h"
#include "TempDir.h"
#include "ScriptedDialogHost.h"

class ImagingTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Where the libraries are looked for: the stand-ins, an empty folder, or bin/.
  void UseFakeLibraries();
  void UseNoLibraries();
  void UseRealLibraries();

  // A recorded value of a loaded stand-in library.
  static int FakeValue(HMODULE library, const char *name);
  static QString FakeLastEntry(HMODULE library);

  // A file of `size` bytes starting with `head`.
  QString FileOf(const QString &name, const QByteArray &head, int size = 64) const;
  // A packed DIB block of `image` at `bits`.
  static HGLOBAL DibOf(const QImage &image, int bits);
  static QImage ImageOfDib(HGLOBAL dib);

  ScriptedDialogs dialogs;
  TempDir windowsFolder;
  TempDir files;
  TempDir emptyFolder;

 private:
  QByteArray oldConfig_;
};
