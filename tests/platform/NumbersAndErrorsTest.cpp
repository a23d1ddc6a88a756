#include <gtest/gtest.h>

#include "core/Errors.h"
#include "core/Numbers.h"

using platform::Round;

TEST(Round, HalvesGoToTheEvenNeighbour) {
  const struct {
    double value;
    int64_t expected;
  } cases[] = {
      {11812.5, 11812}, {16537.5, 16538}, {0.5, 0},    {1.5, 2},    {2.5, 2},
      {-0.5, 0},        {-1.5, -2},       {2.4999, 2}, {2.5001, 3}, {1587.4, 1587},
  };
  for (const auto &c : cases) EXPECT_EQ(Round(c.value), c.expected) << c.value;
}

TEST(Round, TruncAndDivGoTowardZero) {
  EXPECT_EQ(platform::Trunc(133.907), 133);
  EXPECT_EQ(platform::Trunc(-2.7), -2);
  EXPECT_EQ(platform::Div(-7, 2), -3);
  EXPECT_EQ(platform::Div(7, 2), 3);
}

TEST(StandardErrorText, FullStopOnlyAfterCharactersSortingAfterIt) {
  const struct {
    const char16_t *text, *shown;
  } cases[] = {
      {u"Disque plein", u"Disque plein."},
      {u"Erreur 42", u"Erreur 42."},
      {u"Déjà fini.", u"Déjà fini."},
      {u"Voir (ceci)", u"Voir (ceci)"},
      {u"Attention !", u"Attention !"},
      {u"Fin é", u"Fin é."},
      {u"", u""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(platform::WithFullStop(QString::fromUtf16(c.text)), QString::fromUtf16(c.shown));
}

TEST(SystemErrorText, NamesTheErrorsAPersonCanFixInFrench) {
  EXPECT_EQ(platform::SystemErrorText(EACCES), QStringLiteral("Accès au fichier refusé"));
  EXPECT_EQ(platform::SystemErrorText(EROFS), QStringLiteral("Accès au fichier refusé"));
  EXPECT_EQ(platform::SystemErrorText(ENOSPC), QStringLiteral("Disque plein"));
  EXPECT_FALSE(platform::SystemErrorText(EIO).isEmpty());
  EXPECT_EQ(platform::CannotOpenText(QStringLiteral("/a b/c.bmp")),
            QStringLiteral("Impossible d'ouvrir le fichier /a b/c.bmp"));
  EXPECT_EQ(platform::CannotCreateText(QStringLiteral("/x")),
            QStringLiteral("Impossible de créer le fichier /x"));
}
