#include "CommandLine.h"

#include <QCommandLineParser>
#include <QHash>
#include <QRegularExpression>

#ifndef MURALIX_VERSION
#define MURALIX_VERSION "?"
#endif

namespace app {

namespace {

// Every option, with its French text; the parser and the help are made from this one table.
struct OptionSpec {
  const char *shortName;  // "" when there is none
  const char *name;
  const char *valueName;  // "" for an option without a value
  const char *description;
};
const OptionSpec kOptions[] = {
    {"h", "help", "", "Affiche cette aide."},
    {"v", "version", "", "Affiche la version de Muralix."},
    {"", "info", "",
     "Affiche, sans fenêtre, la page de l'imprimante, la taille de l'affiche, ses colonnes, "
     "ses lignes, son nombre de feuilles, son image et la résolution de l'image sur le "
     "papier."},
    {"", "print-to", "fichier.pdf",
     "Imprime, sans fenêtre, les feuilles de l'affiche dans ce fichier PDF, une page par "
     "feuille."},
    {"", "pages", "première-dernière",
     "Avec --print-to : n'imprime que ces feuilles (par exemple 2-4), pour une affiche de "
     "plusieurs feuilles."},
    {"", "preview-to", "fichier.png",
     "Dessine, sans fenêtre, l'aperçu des feuilles dans cette image PNG."},
    {"", "size", "pixels", "Avec --preview-to : côté de l'aperçu, de 16 à 8192 (284 par défaut)."},
    {"", "paper", "format",
     "Papier de l'imprimante PDF : A3, A4, A5, Letter, Legal ou LxHmm (par exemple 300x400mm) ; "
     "A4 par défaut."},
    {"", "landscape", "", "Feuilles en paysage, quelle que soit l'affiche."},
    {"", "portrait", "", "Feuilles en portrait, quelle que soit l'affiche."},
    {"", "dpi", "points",
     "Résolution de l'imprimante PDF, de 36 à 4800 points par pouce (600 par défaut)."},
    {"", "margins", "G,H,D,B",
     "Marges de l'imprimante PDF en millimètres : gauche, haut, droite, bas (4,2 par défaut)."},
    {"", "overlap", "mm",
     "Recouvrement des feuilles voisines pour le collage, en millimètres entiers (0 par "
     "défaut : bord à bord) ; il doit être plus petit que le côté imprimable d'une feuille."},
    {"", "numbers", "",
     "Numérote les feuilles : chacune porte son numéro et sa place, en petit, là où le "
     "collage ou la découpe le fait disparaître."},
    {"", "map", "",
     "Imprime d'abord un plan d'assemblage ; il ne compte pas parmi les feuilles de --pages."},
    {"", "lossless", "",
     "Garde l'image des feuilles sans perte dans le PDF (compression sans perte au lieu de "
     "JPEG) : exacte au pixel près, dans un fichier plusieurs fois plus gros."},
};
constexpr const char *kPosterArgument = "affiche";
constexpr const char *kPosterDescription =
    "Le fichier d'affiche (.aff) à ouvrir ; sans option, dans la fenêtre de Muralix.";

QString Dashed(const QString &name) {
  return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

const OptionSpec *FindOption(const QString &name) {
  for (const OptionSpec &o : kOptions)
    if (name == QLatin1String(o.name) || name == QLatin1String(o.shortName)) return &o;
  return nullptr;
}

int ParseInt(const QString &text, int low, int high, const QString &what) {
  bool ok = false;
  const int v = text.toInt(&ok);
  if (!ok || v < low || v > high)
    throw UsageError(QStringLiteral("Valeur incorrecte pour %1 : %2").arg(what, text));
  return v;
}

double ParseMm(const QString &text, const QString &what) {
  bool ok = false;
  const double v = QString(text).replace(u',', u'.').toDouble(&ok);
  if (!ok || !(v >= 0) || v > 10000)
    throw UsageError(QStringLiteral("Valeur incorrecte pour %1 : %2").arg(what, text));
  return v;
}

void ParsePaper(const QString &text, platform::PdfPrinterSetup &pdf) {
  struct Named {
    const char *name;
    double w, h;
  } static const kPapers[] = {{"A3", 297, 420},
                              {"A4", 210, 297},
                              {"A5", 148, 210},
                              {"LETTER", 215.9, 279.4},
                              {"LEGAL", 215.9, 355.6}};
  for (const Named &p : kPapers)
    if (text.toUpper() == QLatin1String(p.name)) {
      pdf.paperWidthMm = p.w;
      pdf.paperHeightMm = p.h;
      return;
    }
  static const QRegularExpression custom(
      QStringLiteral("^([0-9]+(?:[.,][0-9]+)?)x([0-9]+(?:[.,][0-9]+)?)mm$"),
      QRegularExpression::CaseInsensitiveOption);
  const auto m = custom.match(text);
  if (!m.hasMatch()) throw UsageError(QStringLiteral("Format de papier inconnu : %1").arg(text));
  pdf.paperWidthMm = ParseMm(m.captured(1), QStringLiteral("--paper"));
  pdf.paperHeightMm = ParseMm(m.captured(2), QStringLiteral("--paper"));
  if (pdf.paperWidthMm < 10 || pdf.paperHeightMm < 10)
    throw UsageError(QStringLiteral("Format de papier trop petit : %1").arg(text));
}

// The parser reports its failures in English and as one text: say them in French from the
// arguments themselves.
[[noreturn]] void RaiseParseFailure(const QCommandLineParser &parser, const QStringList &args) {
  const QStringList unknown = parser.unknownOptionNames();
  if (!unknown.isEmpty())
    throw UsageError(QStringLiteral("Argument inconnu : %1").arg(Dashed(unknown.first())));
  for (int i = 1; i < args.size(); ++i) {
    const QString &a = args[i];
    if (a == u"--") break;
    if (!a.startsWith(u'-')) continue;
    const qsizetype equals = a.indexOf(u'=');
    const qsizetype start = a.startsWith(u"--") ? 2 : 1;
    const QString name = a.mid(start, equals < 0 ? -1 : equals - start);
    const OptionSpec *o = FindOption(name);
    if (o == nullptr) continue;
    const bool takesValue = *o->valueName != '\0';
    if (!takesValue && equals >= 0)
      throw UsageError(QStringLiteral("Valeur inattendue pour %1").arg(Dashed(name)));
    if (takesValue && equals < 0 && i + 1 >= args.size())
      throw UsageError(QStringLiteral("Valeur manquante après %1").arg(a));
    if (takesValue && equals < 0) ++i;  // its value, whatever it looks like
  }
  throw UsageError(parser.errorText());
}

}  // namespace

CommandLine ParseCommandLine(const QStringList &args) {
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
  for (const OptionSpec &o : kOptions) {
    QStringList names;
    if (*o.shortName != '\0') names << QLatin1String(o.shortName);
    names << QLatin1String(o.name);
    parser.addOption(QCommandLineOption(names, QString::fromUtf8(o.description),
                                        QString::fromUtf8(o.valueName)));
  }
  CommandLine line;
  if (args.isEmpty()) return line;  // not even the program's name: nothing asked
  if (!parser.parse(args)) RaiseParseFailure(parser, args);

  line.arguments = parser.positionalArguments();
  // Asking for help or the version is answered whatever else is there.
  const QStringList names = parser.optionNames();
  for (const QString &name : names) {
    if (name == u"h" || name == u"help") {
      line.request = CommandLine::Help;
      return line;
    }
    if (name == u"v" || name == u"version") line.request = CommandLine::Version;
  }
  if (line.request == CommandLine::Version) return line;

  // The options in the order given: a later one wins over an earlier one, and the first
  // wrong value is the one reported.
  CommandLineOptions &o = line.options;
  bool modeSeen = false, overlapSeen = false;
  QHash<QString, int> used;  // how many values of each option were read so far
  for (const QString &name : names) {
    const QString dashed = Dashed(name);
    auto value = [&] { return parser.values(name).value(used[name]++); };
    auto setMode = [&](CommandLineOptions::Mode mode) {
      if (modeSeen) throw UsageError(QStringLiteral("Une seule action à la fois : %1").arg(dashed));
      modeSeen = true;
      o.mode = mode;
    };
    if (name == u"info") {
      setMode(CommandLineOptions::Info);
    } else if (name == u"print-to") {
      setMode(CommandLineOptions::PrintTo);
      o.output = value();
    } else if (name == u"preview-to") {
      setMode(CommandLineOptions::PreviewTo);
      o.output = value();
    } else if (name == u"pages") {
      const QString v = value();
      static const QRegularExpression range(QStringLiteral("^([0-9]+)-([0-9]+)$"));
      const auto m = range.match(v);
      if (!m.hasMatch()) throw UsageError(QStringLiteral("Pages incorrectes : %1").arg(v));
      o.pages = {ParseInt(m.captured(1), 1, 1000000, dashed),
                 ParseInt(m.captured(2), 1, 1000000, dashed)};
      if (o.pages->first > o.pages->second)
        throw UsageError(QStringLiteral("Pages incorrectes : %1").arg(v));
    } else if (name == u"size") {
      o.size = ParseInt(value(), 16, 8192, dashed);
    } else if (name == u"paper") {
      ParsePaper(value(), o.pdf);
      o.printerOptions = true;
    } else if (name == u"landscape") {
      o.orientation = platform::Orientation::Landscape;
    } else if (name == u"portrait") {
      o.orientation = platform::Orientation::Portrait;
    } else if (name == u"dpi") {
      o.pdf.dpi = ParseInt(value(), 36, 4800, dashed);
      o.printerOptions = true;
    } else if (name == u"margins") {
      const QStringList parts = value().split(u',');
      if (parts.size() != 4)
        throw UsageError(QStringLiteral("--margins attend L,T,R,B en millimètres"));
      o.pdf.marginLeftMm = ParseMm(parts[0], dashed);
      o.pdf.marginTopMm = ParseMm(parts[1], dashed);
      o.pdf.marginRightMm = ParseMm(parts[2], dashed);
      o.pdf.marginBottomMm = ParseMm(parts[3], dashed);
      o.printerOptions = true;
    } else if (name == u"overlap") {
      o.overlapMm = ParseInt(value(), 0, 2970, dashed);
      overlapSeen = true;
    } else if (name == u"numbers") {
      o.numbers = true;
    } else if (name == u"map") {
      o.map = true;
    } else if (name == u"lossless") {
      o.lossless = true;
    }
  }
  // One poster at a time.
  if (line.arguments.size() > 1)
    throw UsageError(QStringLiteral("Argument inconnu : %1").arg(line.arguments[1]));
  if (!modeSeen) {
    if (o.pages || o.printerOptions || o.orientation || overlapSeen || o.numbers || o.map ||
        o.lossless)
      throw UsageError(QStringLiteral("Il manque --info, --print-to ou --preview-to"));
    return line;
  }
  line.request = CommandLine::Mode;
  if (!line.arguments.isEmpty()) o.poster = line.arguments.first();
  if (o.poster.isEmpty()) throw UsageError(QStringLiteral("Il manque le fichier d'affiche"));
  if (o.pages && o.mode != CommandLineOptions::PrintTo)
    throw UsageError(QStringLiteral("--pages ne sert qu'avec --print-to"));
  if (o.pdf.marginLeftMm + o.pdf.marginRightMm >= o.pdf.paperWidthMm ||
      o.pdf.marginTopMm + o.pdf.marginBottomMm >= o.pdf.paperHeightMm)
    throw UsageError(QStringLiteral("Les marges ne laissent rien à imprimer"));
  return line;
}

QString CommandLineHelp() {
  QString text = QStringLiteral(
      "Utilisation : muralix [options] [affiche]\n"
      "Muralix fait des affiches plus grandes que le papier de l'imprimante.\n"
      "Sans --info, --print-to ni --preview-to, Muralix ouvre sa fenêtre (et l'affiche "
      "nommée) ;\navec l'une d'elles, il travaille sans fenêtre ni écran.\n\nOptions :\n");
  auto row = [&text](const QString &left, const char *description) {
    constexpr int kColumn = 34;
    text += QStringLiteral("  ") + left.leftJustified(kColumn - 3) + u' ' +
            QString::fromUtf8(description) + u'\n';
  };
  for (const OptionSpec &o : kOptions) {
    QString left = *o.shortName != '\0' ? QStringLiteral("-%1, ").arg(QLatin1String(o.shortName))
                                        : QStringLiteral("    ");
    left += QStringLiteral("--") + QLatin1String(o.name);
    if (*o.valueName != '\0') left += QStringLiteral(" <%1>").arg(QString::fromUtf8(o.valueName));
    row(left, o.description);
  }
  text += QStringLiteral("\nArguments :\n");
  row(QLatin1String(kPosterArgument), kPosterDescription);
  text += QStringLiteral(
      "\nCodes de sortie : 0 fait, 1 échec (sa raison sur la sortie d'erreur), 2 arguments "
      "incorrects.\n");
  return text;
}

QString VersionText() {
  return QStringLiteral("Muralix %1\n").arg(QLatin1String(MURALIX_VERSION));
}

}  // namespace app
