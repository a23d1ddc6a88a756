#pragma once
// Loading the two imaging libraries by file name, as the program does, and reading the DIB
// blocks they hand out.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <string>

#include "crde2000.h"
#include "isp2000.h"
#include "win32/WinApi.h"
#include "win32/WinQt.h"

// One loaded library; entries are looked up by name.
class Library {
 public:
  explicit Library(const char *path);
  ~Library();
  Library(const Library &) = delete;
  Library &operator=(const Library &) = delete;
  HMODULE Handle() const { return module_; }
  template <class F>
  F *Entry(const char *name) const {
    return reinterpret_cast<F *>(GetProcAddress(module_, name));
  }

 private:
  HMODULE module_;
};

const Library &Crde();
const Library &Isp();

#define CRDE(name) (Crde().Entry<decltype(name)>(#name))
#define ISP(name) (Isp().Entry<decltype(name)>(#name))

// The text a failure code names in CRDE2000.DLL's string table, read through LoadString.
std::string FailureText(int code);

// A DIB block as an image (RGB32 for every depth) plus its header facts; frees the block.
struct DibFacts {
  bool valid = false;
  int width = 0, height = 0, bits = 0, colors = 0;
  QImage image;
};
DibFacts TakeDib(HGLOBAL block);
DibFacts ReadDib(HGLOBAL block);  // leaves the block alone

// A new DIB block from an image at `bits` (1, 4, 8 with the image's own colours; 16, 24, 32).
HGLOBAL MakeDib(const QImage &image, int bits);

// First pixel where two images differ by more than `tolerance` in a channel, as text;
// empty when they agree (sizes included).
std::string Compare(const QImage &expected, const QImage &actual, int tolerance = 0);

// What keeps `rows` from being the program's own rows (MX_PROGRAM_ROWS: 32 bits, BI_RGB, no
// colour table, top-down, every fourth byte 255) holding exactly the colours of `old`, the
// same picture at 24 bits, as text; empty when nothing does. Frees both blocks.
std::string ProgramRowsProblem(HGLOBAL old, HGLOBAL rows);

QByteArray Path(const QString &path);
