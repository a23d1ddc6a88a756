#include "Binding.h"

#include <QFileInfo>
#include <QLocale>
#include <cstring>

#include "Transitions.h"
#include "core/Paths.h"
#include "ui/MessageBoxes.h"

namespace imaging {

namespace {

struct TextEntry {
  uint32_t id;
  const char *text;
};

// English only, as the libraries' own texts are.
constexpr TextEntry kTexts[] = {
    {kTextCantAllocate, "Can't allocate memory"},
    {kTextReading, "Reading "},
    {kTextWriting, "Writing "},
    {kTextAcquiring, "Aquiring Image "},
    {kTextReducing, "Reducing colors "},
    {kTextIncreasing, "Increasing colors "},
    {kTextTransition, "Transition Image "},
    {kTextCantLoad, "Can't load "},
    {kTextSearchPath, ". Make sure its located in the application's searchpath."},
    {kTextLibraryException,
     "An exception error occured in the imaging dll. We recommend to exit the application and "
     "to restart it by clicking its icon!"},
    {kTextInputEmpty, "Input image is empty"},
};

// The program's string table, as LoadString reads it for GetModuleHandle(NULL).
int ProgramLoadString(uint32_t id, char *buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = 0;
  for (const TextEntry &entry : kTexts) {
    if (entry.id != id) continue;
    const int length = std::min(int(std::strlen(entry.text)), size - 1);
    std::memcpy(buffer, entry.text, size_t(length));
    buffer[length] = 0;
    return length;
  }
  return 0;
}

HMODULE TryLoad(const QString &path) {
  if (path.isEmpty()) return nullptr;
  return LoadLibrary(path.toUtf8().constData());
}

QString ApplicationFolder() {
  char buffer[4096];
  MxApplicationFolder(buffer, sizeof buffer);
  return QString::fromUtf8(buffer);
}

QString FolderOf(UINT (*get)(LPSTR, UINT)) {
  char buffer[4096];
  get(buffer, sizeof buffer);
  return QString::fromUtf8(buffer);
}

// The four attempts, in order: the program's folder, the system's search order, a file
// search of the program, system and Windows folders, and that found path without its
// extension.
HMODULE LoadByFourSteps(const QString &fileName) {
  if (HMODULE module = TryLoad(ApplicationFolder() + fileName)) return module;
  if (HMODULE module = TryLoad(fileName)) return module;
  const QString list = ApplicationFolder() + QStringLiteral("\\;") + FolderOf(GetSystemDirectory) +
                       u';' + FolderOf(GetWindowsDirectory);
  char found[4096];
  char *filePart = nullptr;
  const DWORD length = SearchPath(list.toUtf8().constData(), fileName.toUtf8().constData(), nullptr,
                                  sizeof found, found, &filePart);
  if (length == 0 || length >= sizeof found) return nullptr;
  const QString path = QString::fromUtf8(found);
  if (HMODULE module = TryLoad(path)) return module;
  const QFileInfo info(path);
  return TryLoad(info.path() + u'/' + info.completeBaseName());
}

}  // namespace

QString BindingText(uint32_t id) {
  char buffer[256];
  ProgramLoadString(id, buffer, sizeof buffer);
  return QString::fromUtf8(buffer);
}

ErrorInvalid::~ErrorInvalid() {
  Binding().ProgressCaption.clear();
}

TBindingState &Binding() {
  static TBindingState state;
  return state;
}

bool IsLoaded(HMODULE library) {
  return reinterpret_cast<uintptr_t>(library) >= 32;
}

void InitBinding() {
  ShutdownBinding();
  MxRegisterStringLoader(&ProgramLoadString);
  TBindingState &state = Binding();
  state = TBindingState();
  // The version is built from text with the locale's separator, as the component shows it.
  const QLocale locale;
  state.LibraryVersion = locale.toDouble(QStringLiteral("5") + locale.decimalPoint() + u'1');
  if (state.LibraryVersion == 0) state.LibraryVersion = 5.1;
  const QString app = QFileInfo(platform::ProgramFile()).completeBaseName().toLower();
  WritePrivateProfileString("Imaging Twain", "App Name", app.toUtf8().constData(), "imtwain.ini");
}

void ShutdownBinding() {
  TBindingState &state = Binding();
  ClearUndoHistory();
  if (IsLoaded(state.ImagingLibrary)) FreeLibrary(state.ImagingLibrary);
  if (IsLoaded(state.EffectsLibrary)) FreeLibrary(state.EffectsLibrary);
  state.ImagingLibrary = nullptr;
  state.EffectsLibrary = nullptr;
  state.ProgressCaption.clear();
  state.LastErrorText.clear();
}

FARPROC BindEntry(HMODULE &library, const QString &fileName, const char *entryName,
                  bool raiseOnMissing) {
  if (!IsLoaded(library)) {
    library = LoadByFourSteps(fileName);
    if (!IsLoaded(library)) {
      library = nullptr;
      const QString text = BindingText(kTextCantLoad) + fileName + BindingText(kTextSearchPath);
      if (raiseOnMissing) throw ErrorInvalid(text);
      platform::ErrorBox(text);
      return nullptr;
    }
  }
  return GetProcAddress(library, entryName);
}

QString MissingEntryText(const char *entryName) {
  return QStringLiteral("Error. Could not get a procaddress for ") +
         QString::fromLatin1(entryName) +
         QStringLiteral(". This could be related to a dll name or version missmatch of ") +
         QString::fromLatin1(kImagingLibraryName);
}

void UnloadImagingLibrary() {
  TBindingState &state = Binding();
  if (IsLoaded(state.ImagingLibrary)) FreeLibrary(state.ImagingLibrary);
  state.ImagingLibrary = nullptr;
}

void FetchLibraryError(int code) {
  TBindingState &state = Binding();
  state.LastErrorCode = int16_t(code);
  char buffer[256];  // at most 255 characters
  buffer[0] = 0;
  if (IsLoaded(state.ImagingLibrary))
    LoadString(state.ImagingLibrary, uint16_t(code), buffer, sizeof buffer);
  state.LastErrorText = QString::fromUtf8(buffer);
}

void ShowLibraryException() {
  platform::ErrorBox(BindingText(kTextLibraryException));
}

}  // namespace imaging
