#pragma once
// The program's hold on the two imaging libraries: finding and loading each on first use,
// binding entries by name, the state the wrappers and the image component share, failure
// codes turned into the library's own texts, and the guard that keeps an exception
// raised inside a library call from reaching the program.
#include <QString>
#include <cstdint>

#include "core/Errors.h"
#include "win32/WinApi.h"

namespace imaging {

// The texts of the binding, kept in the program's string table under these ids.
enum BindingTextId : uint32_t {
  kTextCantAllocate = 65312,
  kTextReading = 65313,
  kTextWriting = 65314,
  kTextAcquiring = 65315,
  kTextReducing = 65316,
  kTextIncreasing = 65317,
  kTextTransition = 65318,
  kTextCantLoad = 65319,
  kTextSearchPath = 65320,
  kTextLibraryException = 65323,
  kTextInputEmpty = 65343,
};
QString BindingText(uint32_t id);

// The failures the binding and the image component raise. Destroying one clears the
// progress caption, so a caption never outlives the operation that failed.
class ErrorInvalid : public platform::Failure {
 public:
  using Failure::Failure;
  ErrorInvalid(const ErrorInvalid &) = default;
  ~ErrorInvalid() override;
};

struct TBindingState {
  HMODULE ImagingLibrary = nullptr;  // CRDE2000.DLL once loaded
  HMODULE EffectsLibrary = nullptr;  // ISP2000.DLL once loaded
  QString ProgressCaption;
  int16_t LastErrorCode = 0;
  QString LastErrorText;
  bool ScannerBusy = false;
  HPALETTE SharedPalette = nullptr;  // nothing sets it; the readers receive it as 0
  double LibraryVersion = 5.1;
};

// The one binding state of the program.
TBindingState &Binding();

inline constexpr char kImagingLibraryName[] = "CRDE2000.DLL";
inline constexpr char kEffectsLibraryName[] = "ISP2000.DLL";

// Start of the program: the state takes its start values and the scanner identity (the
// program's file name without folder and extension, in lower case) is written under
// "Imaging Twain", "App Name" of "imtwain.ini" in the Windows folder.
void InitBinding();
// End of the program: frees the loaded libraries and the bitmap history, clears the texts.
void ShutdownBinding();

// A handle below 32 counts as not loaded, as LoadLibrary's error values once did.
bool IsLoaded(HMODULE library);

// Loads `fileName` into `library` while it is not loaded, by the four search steps, then
// looks `entryName` up. Returns the entry or null. When the library cannot be loaded:
// raises ErrorInvalid "Can't load <name>. Make sure ..." (`raiseOnMissing`), or shows that
// text in a message box and returns null.
FARPROC BindEntry(HMODULE &library, const QString &fileName, const char *entryName,
                  bool raiseOnMissing);

// For CRDE2000.DLL: raises ErrorInvalid when the library cannot be found; false when the
// entry is missing.
template <class Fn>
bool BindImagingEntry(HMODULE &library, const QString &fileName, const char *entryName,
                      Fn *&entry) {
  entry = reinterpret_cast<Fn *>(BindEntry(library, fileName, entryName, true));
  return entry != nullptr;
}

// For ISP2000.DLL: a library that cannot be found shows the "Can't load" text in a
// message box; false then, and when the entry is missing.
template <class Fn>
bool BindEffectsEntry(HMODULE &library, const QString &fileName, const char *entryName,
                      Fn *&entry) {
  entry = reinterpret_cast<Fn *>(BindEntry(library, fileName, entryName, false));
  return entry != nullptr;
}

// For the annotation entries of CRDE2000.DLL, which the image component calls on every
// load and paint: a missing library raises as BindImagingEntry does, and a missing entry
// raises ErrorInvalid "Error. Could not get a procaddress for <entry>. This could be related
// to a dll name or version missmatch of CRDE2000.DLL".
QString MissingEntryText(const char *entryName);
template <class Fn>
Fn *BindAnnotationEntry(const char *entryName) {
  Fn *entry = nullptr;
  if (!BindImagingEntry(Binding().ImagingLibrary, kImagingLibraryName, entryName, entry))
    throw ErrorInvalid(MissingEntryText(entryName));
  return entry;
}

// Unloads CRDE2000.DLL (the JPEG reader does so after a failed read).
void UnloadImagingLibrary();

// LastErrorCode := code; LastErrorText := the string whose id is the code taken as an
// unsigned 16-bit value, from the loaded CRDE2000.DLL's string table (-1 names 65535).
void FetchLibraryError(int code);

// Shows text 65323 in a message box; for the guard below.
void ShowLibraryException();

// Runs one library call; an exception raised inside it is caught and shown as text
// 65323, and the result is false (error texts unchanged).
template <class Call>
bool GuardedCall(Call &&call) {
  try {
    call();
    return true;
  } catch (...) {
    ShowLibraryException();
    return false;
  }
}

}  // namespace imaging
