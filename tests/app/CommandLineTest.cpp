// The command line as the program reads it: what each argument list asks for, and the
// French reason for each list that is not understood.
#include <gtest/gtest.h>

#include "CommandLine.h"
#include "RowName.h"

using app::CommandLine;
using app::CommandLineOptions;

namespace {

CommandLine Parse(const QStringList &args) {
  return app::ParseCommandLine(QStringList{QStringLiteral("muralix")} + args);
}

struct WindowCase {
  const char *name;
  QStringList args;
  QStringList opened;
};
const WindowCase kWindowCases[] = {
    {"no argument", {}, {}},
    {"a poster", {"a.aff"}, {"a.aff"}},
    {"an empty first argument is passed on as it is", {""}, {""}},
    {"after --, a name may start with a dash", {"--", "-x.aff"}, {"-x.aff"}},
    {"a name with spaces and accents", {"/tmp/mon affiche é.aff"}, {"/tmp/mon affiche é.aff"}},
};

class CommandLineWindow : public testing::TestWithParam<WindowCase> {};

TEST_P(CommandLineWindow, WithoutAModeTheWindowOpensThePoster) {
  const WindowCase &c = GetParam();
  const CommandLine line = Parse(c.args);
  EXPECT_EQ(line.request, CommandLine::Window);
  EXPECT_EQ(line.arguments, c.opened);
}
INSTANTIATE_TEST_SUITE_P(, CommandLineWindow, testing::ValuesIn(kWindowCases), ByRowName());

struct ModeCase {
  const char *name;
  QStringList args;
  std::function<void(const CommandLineOptions &)> check;
};
const ModeCase kModeCases[] = {
    {"--info after the poster",
     {"a.aff", "--info"},
     [](const CommandLineOptions &o) {
       EXPECT_EQ(o.mode, CommandLineOptions::Info);
       EXPECT_EQ(o.poster, "a.aff");
       EXPECT_FALSE(o.printerOptions);
       EXPECT_FALSE(o.orientation.has_value());
     }},
    {"--info before the poster",
     {"--info", "a.aff"},
     [](const CommandLineOptions &o) { EXPECT_EQ(o.poster, "a.aff"); }},
    {"--print-to with a range of sheets",
     {"a.aff", "--print-to", "out.pdf", "--pages", "2-4"},
     [](const CommandLineOptions &o) {
       EXPECT_EQ(o.mode, CommandLineOptions::PrintTo);
       EXPECT_EQ(o.output, "out.pdf");
       ASSERT_TRUE(o.pages.has_value());
       EXPECT_EQ(*o.pages, std::make_pair(2, 4));
     }},
    {"a value after an equals sign",
     {"a.aff", "--print-to=out.pdf"},
     [](const CommandLineOptions &o) { EXPECT_EQ(o.output, "out.pdf"); }},
    {"--preview-to with its size",
     {"a.aff", "--preview-to", "p.png", "--size", "300"},
     [](const CommandLineOptions &o) {
       EXPECT_EQ(o.mode, CommandLineOptions::PreviewTo);
       EXPECT_EQ(o.size, 300);
     }},
    {"the preview's size by default",
     {"a.aff", "--preview-to", "p.png"},
     [](const CommandLineOptions &o) { EXPECT_EQ(o.size, 284); }},
    {"the later orientation wins",
     {"a.aff", "--info", "--landscape", "--portrait"},
     [](const CommandLineOptions &o) {
       EXPECT_EQ(o.orientation, platform::Orientation::Portrait);
     }},
    {"a named paper, in any case",
     {"a.aff", "--info", "--paper", "a3"},
     [](const CommandLineOptions &o) {
       EXPECT_TRUE(o.printerOptions);
       EXPECT_EQ(o.pdf.paperWidthMm, 297);
       EXPECT_EQ(o.pdf.paperHeightMm, 420);
     }},
    {"a paper of its own, with a decimal comma",
     {"a.aff", "--info", "--paper", "300,5x400mm"},
     [](const CommandLineOptions &o) {
       EXPECT_EQ(o.pdf.paperWidthMm, 300.5);
       EXPECT_EQ(o.pdf.paperHeightMm, 400);
     }},
    {"resolution and margins",
     {"a.aff", "--info", "--dpi", "300", "--margins", "1,2.5,3,4"},
     [](const CommandLineOptions &o) {
       EXPECT_EQ(o.pdf.dpi, 300);
       EXPECT_EQ(o.pdf.marginLeftMm, 1);
       EXPECT_EQ(o.pdf.marginTopMm, 2.5);
       EXPECT_EQ(o.pdf.marginRightMm, 3);
       EXPECT_EQ(o.pdf.marginBottomMm, 4);
     }},
    {"a glue overlap in millimetres, not a printer option",
     {"a.aff", "--print-to", "o.pdf", "--overlap", "15"},
     [](const CommandLineOptions &o) {
       EXPECT_EQ(o.overlapMm, 15);
       EXPECT_FALSE(o.printerOptions);
     }},
    {"no overlap by default",
     {"a.aff", "--info"},
     [](const CommandLineOptions &o) {
       EXPECT_EQ(o.overlapMm, 0);
       EXPECT_FALSE(o.numbers);
       EXPECT_FALSE(o.map);
       EXPECT_FALSE(o.lossless);
     }},
    {"numbered sheets and a map, not printer options",
     {"a.aff", "--map", "--print-to", "o.pdf", "--numbers"},
     [](const CommandLineOptions &o) {
       EXPECT_TRUE(o.numbers);
       EXPECT_TRUE(o.map);
       EXPECT_FALSE(o.printerOptions);
     }},
    {"a lossless picture, not a printer option",
     {"a.aff", "--lossless", "--print-to", "o.pdf"},
     [](const CommandLineOptions &o) {
       EXPECT_TRUE(o.lossless);
       EXPECT_FALSE(o.printerOptions);
     }},
    {"the printer's own page when no printer option is given",
     {"a.aff", "--print-to", "o.pdf"},
     [](const CommandLineOptions &o) { EXPECT_FALSE(o.printerOptions); }},
};
class CommandLineMode : public testing::TestWithParam<ModeCase> {};

TEST_P(CommandLineMode, TheModesAndTheirOptions) {
  const ModeCase &c = GetParam();
  const CommandLine line = Parse(c.args);
  ASSERT_EQ(line.request, CommandLine::Mode);
  c.check(line.options);
}
INSTANTIATE_TEST_SUITE_P(, CommandLineMode, testing::ValuesIn(kModeCases), ByRowName());

// Named by the arguments themselves: "--version --help" runs as version_help.
struct HelpCase {
  QStringList args;
  CommandLine::Request request;
};
const HelpCase kHelpCases[] = {
    {{"--help"}, CommandLine::Help},
    {{"-h"}, CommandLine::Help},
    {{"a.aff", "--pages", "9-1", "--help"}, CommandLine::Help},
    {{"--version"}, CommandLine::Version},
    {{"-v", "--info"}, CommandLine::Version},
    {{"--version", "--help"}, CommandLine::Help},
};
class CommandLineHelpAndVersion : public testing::TestWithParam<HelpCase> {};

TEST_P(CommandLineHelpAndVersion, HelpAndVersionWinOverEverythingElse) {
  EXPECT_EQ(Parse(GetParam().args).request, GetParam().request);
}
INSTANTIATE_TEST_SUITE_P(, CommandLineHelpAndVersion, testing::ValuesIn(kHelpCases),
                         [](const testing::TestParamInfo<HelpCase> &info) {
                           return RowName(info.param.args.join(u' '));
                         });

struct ErrorCase {
  const char *name;
  QStringList args;
  const char *message;
};
const ErrorCase kErrorCases[] = {
    {"an unknown option", {"a.aff", "--frobnicate"}, "Argument inconnu : --frobnicate"},
    {"an unknown short option", {"-x"}, "Argument inconnu : -x"},
    {"a second poster", {"a.aff", "b.aff"}, "Argument inconnu : b.aff"},
    {"a value missing at the end", {"a.aff", "--print-to"}, "Valeur manquante après --print-to"},
    {"a value given to a switch", {"a.aff", "--info=1"}, "Valeur inattendue pour --info"},
    {"two actions",
     {"a.aff", "--info", "--preview-to", "p.png"},
     "Une seule action à la fois : --preview-to"},
    {"one action twice",
     {"a.aff", "--print-to", "a.pdf", "--print-to", "b.pdf"},
     "Une seule action à la fois : --print-to"},
    {"printer options without an action",
     {"a.aff", "--landscape"},
     "Il manque --info, --print-to ou --preview-to"},
    {"an action without a poster", {"--info"}, "Il manque le fichier d'affiche"},
    {"an empty poster name", {"", "--info"}, "Il manque le fichier d'affiche"},
    {"--pages without --print-to",
     {"a.aff", "--info", "--pages", "1-2"},
     "--pages ne sert qu'avec --print-to"},
    {"a reversed range",
     {"a.aff", "--print-to", "o.pdf", "--pages", "4-2"},
     "Pages incorrectes : 4-2"},
    {"a range that is not one",
     {"a.aff", "--print-to", "o.pdf", "--pages", "3"},
     "Pages incorrectes : 3"},
    {"a preview too small",
     {"a.aff", "--preview-to", "p.png", "--size", "15"},
     "Valeur incorrecte pour --size : 15"},
    {"a resolution that is not a number",
     {"a.aff", "--info", "--dpi", "fine"},
     "Valeur incorrecte pour --dpi : fine"},
    {"an unknown paper", {"a.aff", "--info", "--paper", "B9"}, "Format de papier inconnu : B9"},
    {"a paper too small",
     {"a.aff", "--info", "--paper", "5x400mm"},
     "Format de papier trop petit : 5x400mm"},
    {"three margins",
     {"a.aff", "--info", "--margins", "1,2,3"},
     "--margins attend L,T,R,B en millimètres"},
    {"margins that leave nothing",
     {"a.aff", "--info", "--margins", "105,0,105,0"},
     "Les marges ne laissent rien à imprimer"},
    {"an overlap in tenths",
     {"a.aff", "--info", "--overlap", "2,5"},
     "Valeur incorrecte pour --overlap : 2,5"},
    {"a negative overlap",
     {"a.aff", "--info", "--overlap", "-3"},
     "Valeur incorrecte pour --overlap : -3"},
    {"an overlap without an action",
     {"a.aff", "--overlap", "5"},
     "Il manque --info, --print-to ou --preview-to"},
    {"numbers without an action",
     {"a.aff", "--numbers"},
     "Il manque --info, --print-to ou --preview-to"},
    {"a map without an action", {"a.aff", "--map"}, "Il manque --info, --print-to ou --preview-to"},
    {"a value given to --map", {"a.aff", "--info", "--map=1"}, "Valeur inattendue pour --map"},
    {"lossless without an action",
     {"a.aff", "--lossless"},
     "Il manque --info, --print-to ou --preview-to"},
    {"a negative margin",
     {"a.aff", "--info", "--margins", "-1,0,0,0"},
     "Valeur incorrecte pour --margins : -1"},
};

class CommandLineError : public testing::TestWithParam<ErrorCase> {};

TEST_P(CommandLineError, WhatIsNotUnderstoodIsSaidInFrench) {
  const ErrorCase &c = GetParam();
  try {
    Parse(c.args);
    ADD_FAILURE() << "accepted";
  } catch (const app::UsageError &e) {
    EXPECT_EQ(e.Text(), QString::fromUtf8(c.message));
  }
}
INSTANTIATE_TEST_SUITE_P(, CommandLineError, testing::ValuesIn(kErrorCases), ByRowName());

TEST(CommandLine, TheHelpNamesEveryOptionAndTheVersionItsNumber) {
  const QString help = app::CommandLineHelp();
  EXPECT_TRUE(help.startsWith("Utilisation : muralix [options] [affiche]\n"));
  for (const char *option : {"-h, --help", "-v, --version", "--info", "--print-to <fichier.pdf>",
                             "--pages <première-dernière>", "--preview-to <fichier.png>",
                             "--size <pixels>", "--paper <format>", "--landscape", "--portrait",
                             "--dpi <points>", "--margins <G,H,D,B>", "--overlap <mm>", "affiche"})
    EXPECT_TRUE(help.contains(QString::fromUtf8(option))) << option;
  EXPECT_EQ(app::VersionText(), QStringLiteral("Muralix 2.0\n"));
}

}  // namespace
