#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "RowName.h"
#include "core/Errors.h"
#include "core/Numbers.h"

using platform::Round;

namespace {

struct RoundCase {
  double value;
  int64_t expected;
};
const RoundCase kRoundCases[] = {
    {11812.5, 11812}, {16537.5, 16538}, {0.5, 0},    {1.5, 2},    {2.5, 2},
    {-0.5, 0},        {-1.5, -2},       {2.4999, 2}, {2.5001, 3}, {1587.4, 1587},
};
class RoundHalves : public testing::TestWithParam<RoundCase> {};

TEST_P(RoundHalves, GoToTheEvenNeighbour) {
  const RoundCase &c = GetParam();
  EXPECT_EQ(Round(c.value), c.expected) << c.value;
}
INSTANTIATE_TEST_SUITE_P(, RoundHalves, testing::ValuesIn(kRoundCases),
                         [](const testing::TestParamInfo<RoundCase> &info) {
                           return RowName(info.param.value);
                         });

}  // namespace

TEST(Round, TruncAndDivGoTowardZero) {
  EXPECT_EQ(platform::Trunc(133.907), 133);
  EXPECT_EQ(platform::Trunc(-2.7), -2);
  EXPECT_EQ(platform::Div(-7, 2), -3);
  EXPECT_EQ(platform::Div(7, 2), 3);
}

namespace {

struct FullStopCase {
  const char16_t *text, *shown;
};
const FullStopCase kFullStopCases[] = {
    {u"Disque plein", u"Disque plein."},
    {u"Erreur 42", u"Erreur 42."},
    {u"Déjà fini.", u"Déjà fini."},
    {u"Voir (ceci)", u"Voir (ceci)"},
    {u"Attention !", u"Attention !"},
    {u"Fin é", u"Fin é."},
    {u"", u""},
};
class StandardErrorText : public testing::TestWithParam<FullStopCase> {};

TEST_P(StandardErrorText, FullStopOnlyAfterCharactersSortingAfterIt) {
  const FullStopCase &c = GetParam();
  EXPECT_EQ(platform::WithFullStop(QString::fromUtf16(c.text)), QString::fromUtf16(c.shown));
}
INSTANTIATE_TEST_SUITE_P(, StandardErrorText, testing::ValuesIn(kFullStopCases),
                         [](const testing::TestParamInfo<FullStopCase> &info) {
                           return RowName(info.param.text);
                         });

}  // namespace

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

TEST(SystemErrorText, EveryErrorOfAFileOperationHasAFrenchText) {
  // What open, read, write, close, fsync, rename and stat may return on Linux.
  const int codes[] = {EACCES,    EPERM,   EROFS,     EISDIR,       ETXTBSY, ENOSPC,     EDQUOT,
                       EFBIG,     ENOENT,  ENOTDIR,   ENAMETOOLONG, ELOOP,   EMFILE,     ENFILE,
                       EEXIST,    EBUSY,   EIO,       ENXIO,        ENODEV,  EINVAL,     EBADF,
                       ENOMEM,    EFAULT,  EAGAIN,    EINTR,        EXDEV,   ENOTEMPTY,  EMLINK,
                       ESPIPE,    EPIPE,   ESTALE,    EOVERFLOW,    ENOTSUP, EOPNOTSUPP, ENOLCK,
                       ETIMEDOUT, EDEADLK, ENOMEDIUM, ENOTTY,       EILSEQ,  ENODATA,    EUCLEAN};
  for (const int code : codes) {
    SCOPED_TRACE(code);
    const QString text = platform::SystemErrorText(code);
    EXPECT_FALSE(text.isEmpty());
    // The C library's own text is English here (the tests run in the C locale).
    EXPECT_NE(text, QString::fromLocal8Bit(std::strerror(code)));
  }
  EXPECT_EQ(platform::SystemErrorText(ENOENT), QStringLiteral("Fichier introuvable"));
  EXPECT_EQ(platform::SystemErrorText(EFBIG), QStringLiteral("Disque plein"));
  EXPECT_EQ(platform::SystemErrorText(9999), QStringLiteral("Erreur d'entrée/sortie 9999"));
}

TEST(WithFullStop, ANulByteDoesNotCutTheMessage) {
  const QString text = QStringLiteral("Image illisible : a") + QChar(0) + QStringLiteral("b.png");
  EXPECT_EQ(platform::WithFullStop(text),
            QStringLiteral("Image illisible : a") + QChar(0x2400) + QStringLiteral("b.png."));
  EXPECT_EQ(platform::WithFullStop(text).toUtf8().indexOf('\0'), -1);
}
