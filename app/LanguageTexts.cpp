#include "LanguageTexts.h"

namespace app {

const MainWindowTexts &TextsFor(uint8_t language) {
  static const MainWindowTexts kFrenchTexts{
      QStringLiteral("images"),
      QStringLiteral("Créer une nouvelle affiche en chargeant une image"),
      QStringLiteral("Choix d'un scanner"),
      QStringLiteral("Créer une nouvelle affiche en utilisant un scanner"),
      QStringLiteral("Ouvrir une affiche déjà enregistrée"),
      QStringLiteral("Enregistrer l'affiche"),
      QStringLiteral("Format de l'affiche"),
      QStringLiteral("Imprimer"),
      QStringLiteral("Enregistrer l'affiche sous..."),
      QStringLiteral("Quitter"),
      QStringLiteral("Aide"),
      QStringLiteral("A propos"),
      QStringLiteral("Feuilles : 100"),
      QStringLiteral("&Paysage"),
      QStringLiteral("AFF"),
      QStringLiteral("*.AFF"),
      QStringLiteral("Affiches (*.AFF)|*.AFF"),
      QStringLiteral(" : Fichier SANS NOM"),
      QStringLiteral(" introuvable."),
      QStringLiteral("Format de fichier non reconnu."),
      QStringLiteral("Voulez-vous enregistrer cette affiche ?"),
      QStringLiteral(" Rien n'a été enregistré."),
      QStringLiteral("Aucun scanner n'est disponible."),
  };
  static const MainWindowTexts kEnglishTexts{
      QStringLiteral("pictures"),
      QStringLiteral("Create a new placard loading an image"),
      QStringLiteral("Choose a scanner"),
      QStringLiteral("Create a new placard using a un scanner"),
      QStringLiteral("Open an existing placard"),
      QStringLiteral("Save the placard"),
      QStringLiteral("Placard size"),
      QStringLiteral("Print"),
      QStringLiteral("Save the placard as..."),
      QStringLiteral("Exit"),
      QStringLiteral("Help"),
      QStringLiteral("About"),
      QStringLiteral("Sheets : 100"),
      QStringLiteral("&Landscape"),
      QStringLiteral("PLA"),
      QStringLiteral("*.PLA"),
      QStringLiteral("Placards (*.PLA)|*.PLA"),
      QStringLiteral(" : NONAME"),
      QStringLiteral(" missing."),
      QStringLiteral("Unknown file format."),
      QStringLiteral("Save this placard ?"),
      QStringLiteral(" Nothing was saved."),
      QStringLiteral("No scanner is available."),
  };
  return language == kEnglish ? kEnglishTexts : kFrenchTexts;
}

}  // namespace app
