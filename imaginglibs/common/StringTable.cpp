#include "StringTable.h"

#include <cstring>

#include "crde2000.h"

namespace mx {
namespace {

struct Entry {
  int code;
  const char *text;
};

// Failure codes are negative 16-bit results; their string ids are the same bits read
// unsigned, so the table is keyed by the code.
constexpr Entry kTable[] = {
    {MX_ERR_GENERAL, "The imaging library failed"},
    {MX_ERR_CANNOT_OPEN, "Cannot open file"},
    {MX_ERR_PREMATURE_EOF, "Premature end of file"},
    {MX_ERR_NOT_JPEG, "Not a JPEG file"},
    {MX_ERR_NOT_BMP, "Not a BMP file"},
    {MX_ERR_NOT_PNG, "Not a PNG file"},
    {MX_ERR_NOT_GIF, "Not a GIF file"},
    {MX_ERR_NOT_TIFF, "Not a TIFF file"},
    {MX_ERR_NOT_PCX, "Not a PCX file"},
    {MX_ERR_NOT_TGA, "Not a TGA file"},
    {MX_ERR_NOT_EPS, "Not an EPS file"},
    {MX_ERR_NOT_PCD, "Not a Photo CD file"},
    {MX_ERR_NOT_DXF, "Not a DXF file"},
    {MX_ERR_TOO_LARGE, "Image too large"},
    {MX_ERR_NO_MEMORY, "Not enough memory"},
    {MX_ERR_CORRUPT, "Corrupt image data"},
    {MX_ERR_UNSUPPORTED, "Unsupported kind of image in this format"},
    {MX_ERR_BAD_DEPTH, "Unsupported colour depth"},
    {MX_ERR_CANCELLED, "Cancelled"},
    {MX_ERR_NO_PAGE, "No such page in the file"},
    {MX_ERR_CANNOT_CREATE, "Cannot create file"},
    {MX_ERR_WRITE, "Cannot write file"},
    {MX_ERR_BAD_COMPRESSION, "Unsupported TIFF compression"},
    {MX_ERR_BAD_DIB, "Invalid DIB"},
    {MX_ERR_NO_SCANNER, "No scanner found"},
    {MX_ERR_SCANNER, "Scanner failure"},
    {MX_ERR_SCANNER_BUSY, "The scanner is busy"},
    {MX_ERR_EPS_FAILED, "The PostScript interpreter could not render the file"},
    {MX_ERR_EPS_TIMEOUT, "Rendering the PostScript file took too long"},
    {MX_ERR_NO_GHOSTSCRIPT, "The PostScript interpreter (gs) is not installed"},
    {MX_ERR_NOT_AVAILABLE, "Function not available in this library"},
    {MX_ERR_BAD_ARGUMENT, "Invalid argument"},
    {MX_ERR_INTERNAL, "Internal error in the imaging library"},
    {MX_ERR_UNKNOWN_FORMAT, "Unknown file format"},
    {MX_ERR_ANNOTATION, "Invalid annotation file"},
    {MX_ERR_PCD_RESOLUTION, "Photo CD resolution not available"},
    {MX_ERR_EMPTY_DRAWING, "The drawing is empty"},
    {MX_ERR_NOT_HEIF, "Not a HEIC or AVIF file"},
    {MX_ERR_NOT_WEBP, "Not a WebP file"},
    {MX_ERR_NO_HEIF_DECODER, "No decoder for this kind of HEIF picture is installed"},
};

}  // namespace

const char *TableString(uint32_t id) {
  for (const Entry &e : kTable) {
    if (static_cast<uint16_t>(e.code) == id) return e.text;
  }
  return nullptr;
}

int CopyTableString(uint32_t id, char *buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const char *text = TableString(id);
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
