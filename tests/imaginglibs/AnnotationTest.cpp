// The annotation layer: rectangles drawn with the mouse, kept per component, saved and
// loaded per page.
#include <gtest/gtest.h>

#include <QFile>

#include "Support.h"
#include "TempDir.h"

namespace {

int doneCalls = 0;
int32_t Done(void *) {
  ++doneCalls;
  return 1;
}

int32_t Position(int x, int y) {
  return (y << 16) | x;
}

QString Text(const QString &path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return QString::fromUtf8(f.readAll());
}

TEST(Annotation, MouseDrawsRectanglesThatAreSavedAndLoaded) {
  TempDir dir;
  int component = 0, other = 0;
  doneCalls = 0;
  ASSERT_GT(CRDE(InitAnnotation)(&component, nullptr, &component, Done, nullptr, nullptr, nullptr,
                                 nullptr, nullptr),
            0);
  ASSERT_GT(CRDE(InitAnnotation)(&other, nullptr, &other, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr),
            0);
  // At zoom 2, scrolled by (10, 0): window (30, 40) is picture (20, 20).
  CRDE(DrawAnnotation)(&component, 10, 0, 2.0, 0, 0, 0, 0);
  CRDE(MouseMon)(&component, 0x201, 0, Position(30, 40));
  CRDE(MouseMon)(&component, 0x200, 0, Position(50, 60));
  CRDE(MouseMon)(&component, 0x202, 0, Position(70, 80));
  EXPECT_EQ(doneCalls, 1);
  // A click without a drag makes nothing.
  CRDE(MouseMon)(&component, 0x201, 0, Position(200, 200));
  CRDE(MouseMon)(&component, 0x202, 0, Position(200, 200));
  EXPECT_EQ(doneCalls, 1);

  const QByteArray file = Path(dir.File(QStringLiteral("photo.ant")));
  ASSERT_GT(CRDE(SaveAnnotation)(&component, 0, file.constData()), 0);
  ASSERT_GT(CRDE(SaveAnnotation)(&other, 1, file.constData()), 0);
  EXPECT_EQ(Text(QString::fromLocal8Bit(file)),
            QStringLiteral("MXANNOTATION 1\nPAGE 0\nRECT 20 20 40 40 FF0000\nPAGE 1\n"));

  ASSERT_GT(CRDE(ClearAnnotation)(&component), 0);
  ASSERT_GT(CRDE(SaveAnnotation)(&component, 2, file.constData()), 0);
  EXPECT_FALSE(Text(QString::fromLocal8Bit(file)).contains(QStringLiteral("PAGE 2\nRECT")));
  ASSERT_GT(CRDE(LoadAnnotation)(&other, 0, file.constData()), 0);
  ASSERT_GT(CRDE(SaveAnnotation)(&other, 3, file.constData()), 0);
  EXPECT_TRUE(Text(QString::fromLocal8Bit(file))
                  .contains(QStringLiteral("PAGE 3\nRECT 20 20 40 40 FF0000\n")));

  EXPECT_GT(CRDE(RubberBandOFF)(&component), 0);
  EXPECT_GE(CRDE(MenuMsg)(&component, 2), 0);
  EXPECT_GT(CRDE(DestroyAnnotation)(&component), 0);
  EXPECT_GT(CRDE(DestroyAnnotation)(&other), 0);
  EXPECT_LT(CRDE(ClearAnnotation)(&component), 0);  // gone
}

TEST(Annotation, BrokenFilesFail) {
  TempDir dir;
  int component = 0;
  ASSERT_GT(CRDE(InitAnnotation)(&component, nullptr, &component, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr),
            0);
  const QByteArray garbage = Path(dir.Write(QStringLiteral("g.ant"), "hello\n"));
  EXPECT_EQ(CRDE(LoadAnnotation)(&component, 0, garbage.constData()), MX_ERR_ANNOTATION);
  const QByteArray bad =
      Path(dir.Write(QStringLiteral("b.ant"), "MXANNOTATION 1\nPAGE 0\nRECT 1 2\n"));
  EXPECT_EQ(CRDE(LoadAnnotation)(&component, 0, bad.constData()), MX_ERR_ANNOTATION);
  EXPECT_EQ(CRDE(LoadAnnotation)(&component, 0, "/no/such.ant"), MX_ERR_CANNOT_OPEN);
  EXPECT_GT(CRDE(DestroyAnnotation)(&component), 0);
}

}  // namespace
