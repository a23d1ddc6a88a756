#include "ImagingFixture.h"

#include "../imaging/fakelibs/FakeSupport.h"

void ImagingTest::SetUp() {
  oldConfig_ = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", windowsFolder.Path().toUtf8());
  imaging::InitBinding();
  UseFakeLibraries();
}

void ImagingTest::TearDown() {
  imaging::ShutdownBinding();
  MxSetApplicationFolder(nullptr);
  qputenv("XDG_CONFIG_HOME", oldConfig_);
}

void ImagingTest::UseFakeLibraries() {
  MxSetApplicationFolder(FAKE_LIBS_DIR);
}
void ImagingTest::UseNoLibraries() {
  MxSetApplicationFolder(emptyFolder.Path().toUtf8().constData());
}
void ImagingTest::UseRealLibraries() {
  MxSetApplicationFolder(nullptr);
}

int ImagingTest::FakeValue(HMODULE library, const char *name) {
  auto *value = reinterpret_cast<int *>(GetProcAddress(library, name));
  return value ? *value : -1000;
}

QString ImagingTest::FakeLastEntry(HMODULE library) {
  auto *text = reinterpret_cast<const char *>(GetProcAddress(library, "FakeLastEntry"));
  return text ? QString::fromLatin1(text) : QString();
}

QString ImagingTest::FileOf(const QString &name, const QByteArray &head, int size) const {
  QByteArray bytes = head;
  bytes.resize(std::max<qsizetype>(size, 0), ' ');
  if (size < head.size()) bytes = head.left(size);
  return files.Write(name, bytes);
}

HGLOBAL ImagingTest::DibOf(const QImage &image, int bits) {
  return fake::MakeDib(image, bits);
}
QImage ImagingTest::ImageOfDib(HGLOBAL dib) {
  return fake::ImageOfDib(dib);
}
