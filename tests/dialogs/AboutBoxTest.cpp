#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "AboutBox.h"
#include "RowName.h"
#include "ui/MessageBoxes.h"

namespace {

struct LanguageCase {
  const char *name;
  uint8_t language;
  const char16_t *caption, *comments;
};
const LanguageCase kLanguageCases[] = {
    {"French", 0, u"A propos", u"Création d'affiches pour Windows 95 et supérieur"},
    {"English", 1, u"About", u"Placards creation for Windows 95"},
};
class AboutBoxTexts : public testing::TestWithParam<LanguageCase> {};

TEST_P(AboutBoxTexts, FollowTheLanguageAndTheVersionDoesNot) {
  const LanguageCase &c = GetParam();
  platform::SetApplicationTitle(QStringLiteral("Muralix"));
  dialogs::TAboutBox box(c.language);
  EXPECT_EQ(box.windowTitle(), QString::fromUtf16(c.caption));
  EXPECT_EQ(box.Comments->text(), QString::fromUtf16(c.comments));
  EXPECT_EQ(box.ProductName->text(), QStringLiteral("Muralix"));
  EXPECT_EQ(box.Version->text(), QStringLiteral("Version 2.0 - 32 bits"));
  EXPECT_EQ(box.OKButton->text(), QStringLiteral("OK"));
  EXPECT_TRUE(box.OKButton->isDefault());
  EXPECT_EQ(box.size(), QSize(298, 196));
}
INSTANTIATE_TEST_SUITE_P(, AboutBoxTexts, testing::ValuesIn(kLanguageCases), ByRowName());

}  // namespace

TEST(AboutBox, OkClosesWithTheResultOk) {
  dialogs::TAboutBox box(0);
  box.show();
  box.OKButton->click();
  EXPECT_EQ(box.result(), QDialog::Accepted);
  EXPECT_FALSE(box.isVisible());
}
