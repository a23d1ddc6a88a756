#include <gtest/gtest.h>

#include "RowName.h"
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

namespace {

struct RoundTripCase {
  const char *name;
  const char16_t *text;
};
const RoundTripCase kRoundTripCases[] = {
    {"a cedilla", u"Aperçu"},  {"a dash and accents", u"mon affiche – été.bmp"},
    {"Greek", u"Ωμέγα.png"},   {"plain", u"plain name.jpg"},
    {"Japanese", u"日本.tif"}, {"signs of the Windows code page", u"Ÿ‰†"},
};
class AnsiTextRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(AnsiTextRoundTrip, KeepsTheName) {
  const QString name = QString::fromUtf16(GetParam().text);
  EXPECT_EQ(DecodeAnsiLine(EncodeAnsiLine(name)), name) << name.toStdString();
}
INSTANTIATE_TEST_SUITE_P(, AnsiTextRoundTrip, testing::ValuesIn(kRoundTripCases), ByRowName());

}  // namespace

TEST(AnsiText, FilesMadeOnWindowsReadAsWindows1252) {
  // Bytes that are not valid UTF-8 are the Windows code page.
  EXPECT_EQ(DecodeAnsiLine(QByteArray("caf\xE9.bmp")), QStringLiteral("café.bmp"));
  EXPECT_EQ(DecodeAnsiLine(QByteArray("\x93quoted\x94")), QStringLiteral("“quoted”"));
  // The five bytes without a character keep their value rather than being lost.
  EXPECT_EQ(DecodeAnsiLine(QByteArray("a\x81")).at(1).unicode(), 0x81);
}
