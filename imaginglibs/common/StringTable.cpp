#include "StringTable.h"

#include <cstring>
#include <string>

#include "crde2000.h"

namespace mx {
namespace {

struct Entry {
  int code;
  const char *text;
};

// The texts are French, as the program speaks it, in UTF-8.
// Failure codes are negative 16-bit results; their string ids are the same bits read
// unsigned, so the table is keyed by the code.
constexpr Entry kTable[] = {
    {MX_ERR_GENERAL, "La bibliothèque d'images a échoué"},
    {MX_ERR_CANNOT_OPEN, "Impossible d'ouvrir le fichier"},
    {MX_ERR_PREMATURE_EOF, "Fin de fichier prématurée"},
    {MX_ERR_NOT_JPEG, "Ce n'est pas un fichier JPEG"},
    {MX_ERR_NOT_BMP, "Ce n'est pas un fichier BMP"},
    {MX_ERR_NOT_PNG, "Ce n'est pas un fichier PNG"},
    {MX_ERR_NOT_GIF, "Ce n'est pas un fichier GIF"},
    {MX_ERR_NOT_TIFF, "Ce n'est pas un fichier TIFF"},
    {MX_ERR_NOT_PCX, "Ce n'est pas un fichier PCX"},
    {MX_ERR_NOT_TGA, "Ce n'est pas un fichier TGA"},
    {MX_ERR_NOT_EPS, "Ce n'est pas un fichier EPS"},
    {MX_ERR_NOT_PCD, "Ce n'est pas un fichier Photo CD"},
    {MX_ERR_NOT_DXF, "Ce n'est pas un fichier DXF"},
    {MX_ERR_TOO_LARGE, "Image trop grande"},
    {MX_ERR_NO_MEMORY, "Mémoire insuffisante"},
    {MX_ERR_CORRUPT, "Données d'image endommagées"},
    {MX_ERR_UNSUPPORTED, "Sorte d'image non prise en charge dans ce format"},
    {MX_ERR_BAD_DEPTH, "Nombre de couleurs non pris en charge"},
    {MX_ERR_CANCELLED, "Annulé"},
    {MX_ERR_NO_PAGE, "Cette page n'existe pas dans le fichier"},
    {MX_ERR_CANNOT_CREATE, "Impossible de créer le fichier"},
    {MX_ERR_WRITE, "Impossible d'écrire le fichier"},
    {MX_ERR_BAD_COMPRESSION, "Compression TIFF non prise en charge"},
    {MX_ERR_BAD_DIB, "Image DIB non valide"},
    {MX_ERR_NO_SCANNER, "Aucun scanner trouvé"},
    {MX_ERR_SCANNER, "Échec du scanner"},
    {MX_ERR_SCANNER_BUSY, "Le scanner est occupé"},
    {MX_ERR_EPS_FAILED, "L'interpréteur PostScript n'a pas pu dessiner le fichier"},
    {MX_ERR_EPS_TIMEOUT, "Le dessin du fichier PostScript a pris trop de temps"},
    {MX_ERR_NO_GHOSTSCRIPT, "L'interpréteur PostScript (gs) n'est pas installé"},
    {MX_ERR_NOT_AVAILABLE, "Fonction absente de cette bibliothèque"},
    {MX_ERR_BAD_ARGUMENT, "Argument non valide"},
    {MX_ERR_INTERNAL, "Erreur interne de la bibliothèque d'images"},
    {MX_ERR_UNKNOWN_FORMAT, "Format de fichier inconnu"},
    {MX_ERR_ANNOTATION, "Fichier d'annotations non valide"},
    {MX_ERR_PCD_RESOLUTION, "Résolution Photo CD non disponible"},
    {MX_ERR_EMPTY_DRAWING, "Le dessin est vide"},
    {MX_ERR_NOT_HEIF, "Ce n'est pas un fichier HEIC ou AVIF"},
    {MX_ERR_NOT_WEBP, "Ce n'est pas un fichier WebP"},
    {MX_ERR_NO_HEIF_DECODER, "Aucun décodeur n'est installé pour cette sorte d'image HEIF"},
};

// The reason the last scanner failure gave, shown after the scanner failure's text.
std::string &ScannerReason() {
  static std::string reason;
  return reason;
}

}  // namespace

void SetScannerFailureReason(const char *reason) {
  ScannerReason() = reason != nullptr ? reason : "";
}

const char *TableString(uint32_t id) {
  for (const Entry &e : kTable) {
    if (static_cast<uint16_t>(e.code) == id) return e.text;
  }
  return nullptr;
}

int CopyTableString(uint32_t id, char *buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const char *text = TableString(id);
  std::string withReason;
  if (text != nullptr && id == static_cast<uint16_t>(MX_ERR_SCANNER) && !ScannerReason().empty()) {
    withReason = std::string(text) + " : " + ScannerReason();
    text = withReason.c_str();
  }
  if (text == nullptr) {
    buffer[0] = '\0';
    return 0;
  }
  int n = static_cast<int>(std::strlen(text));
  if (n > size - 1) n = size - 1;
  std::memcpy(buffer, text, static_cast<size_t>(n));
  buffer[n] = '\0';
  return n;
}

}  // namespace mx
