#include <gtest/gtest.h>

#include "core/AnsiText.h"

using platform::DecodeAnsiLine;
using platform::EncodeAnsiLine;

TEST(AnsiText, LinesRepresentableInWindows1252AreWrittenInIt) {
  EXPECT_EQ(EncodeAnsiLine(QStringLiteral("photo.jpg")), QByteArray("photo.jpg"));
  EXPECT_EQ(EncodeAnsiLine(QStringLiteral("été.bmp")), QByteArray("\xE9t\xE9.bmp"));
  EXPECT_EQ(EncodeAnsiLine(QStringLiteral("€uro œuvre")), QByteArray("\x80uro \x9Cuvre"));
}

TEST(AnsiText, OtherLinesAreWrittenInUtf8) {
  const QString greek = QStringLiteral("Ωμέγα é.png");
  EXPECT_EQ(EncodeAnsiLine(greek), greek.toUtf8());
}

TEST(AnsiText, EveryNameRoundTrips) {
  for (const QString &name : {QStringLiteral("Aperçu"), QStringLiteral("mon affiche – été.bmp"),
                              QStringLiteral("Ωμέγα.png"), QStringLiteral("plain name.jpg"),
                              QStringLiteral("日本.tif"), QStringLiteral("Ÿ‰†")})
    EXPECT_EQ(DecodeAnsiLine(EncodeAnsiLine(name)), name) << name.toStdString();
}

TEST(AnsiText, FilesMadeOnWindowsReadAsWindows1252) {
  // Bytes that are not valid UTF-8 are the Windows code page.
  EXPECT_EQ(DecodeAnsiLine(QByteArray("caf\xE9.bmp")), QStringLiteral("café.bmp"));
  EXPECT_EQ(DecodeAnsiLine(QByteArray("\x93quoted\x94")), QStringLiteral("“quoted”"));
  // The five bytes without a character keep their value rather than being lost.
  EXPECT_EQ(DecodeAnsiLine(QByteArray("a\x81")).at(1).unicode(), 0x81);
}
