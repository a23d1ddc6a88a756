// Run-time libraries over dlopen, found the way Windows finds a DLL, and their string
// tables read through the function each one exports.
#include <dlfcn.h>
#include <link.h>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <cstring>

#include "WinApi.h"
#include "core/Paths.h"

namespace {

// Set and read on the GUI thread only (the program starts no other), so no lock.
QString gApplicationFolder;  // empty: the program's own folder
MX_LOAD_STRING_FN gProgramStrings = nullptr;

QString ApplicationFolder() {
  return gApplicationFolder.isEmpty() ? platform::ProgramFolder() : gApplicationFolder;
}

QString Folder(QString path) {
  if (!path.endsWith(u'/')) path += u'/';
  return path;
}

QString WindowsFolder() {
  QString folder = platform::ConfigFolder();
  if (folder.endsWith(u'/') && folder.size() > 1) folder.chop(1);
  return folder;
}

QString SystemFolder() {
  return WindowsFolder() + QStringLiteral("/system");
}

// The file named `name` in `folder`, whatever the case of its letters.
QString FindInFolder(const QString &folder, const QString &name) {
  const QString exact = Folder(folder) + name;
  if (QFileInfo(exact).isFile()) return exact;
  const QStringList entries = QDir(folder).entryList(QDir::Files);
  for (const QString &entry : entries)
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return Folder(folder) + entry;
  return {};
}

size_t CopyOut(const QByteArray &text, char *buffer, size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  const size_t length = std::min(size - 1, size_t(text.size()));
  std::memcpy(buffer, text.constData(), length);
  buffer[length] = 0;
  return length;
}

HMODULE Open(const QString &path) {
  if (path.isEmpty() || !QFileInfo(path).isFile()) return nullptr;
  return static_cast<HMODULE>(dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL));
}

// Where LoadLibrary finds `nameIn`: a name with a folder is taken there; a bare name is
// searched in the Windows order, never in the Linux library path, where a DLL has no place.
QString ResolveLibrary(LPCSTR nameIn) {
  if (nameIn == nullptr || *nameIn == 0) return {};
  QString name = QString::fromUtf8(nameIn).replace(u'\\', u'/');
  // As on Windows, a name without extension means a ".DLL" file.
  if (!QFileInfo(name).fileName().contains(u'.')) name += QStringLiteral(".DLL");
  if (name.contains(u'/')) {
    if (QFileInfo(name).isFile()) return name;
    const QFileInfo info(name);
    return FindInFolder(info.path(), info.fileName());
  }
  QStringList folders = {ApplicationFolder(), SystemFolder(), WindowsFolder(), QDir::currentPath()};
  folders += qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts);
  for (const QString &folder : folders) {
    const QString found = FindInFolder(folder, name);
    if (!found.isEmpty()) return found;
  }
  return {};
}

}  // namespace

extern "C" {

HMODULE LoadLibrary(LPCSTR name) {
  return Open(ResolveLibrary(name));
}

BOOL FreeLibrary(HMODULE module) {
  if (module == nullptr) return FALSE;
  return dlclose(module) == 0 ? TRUE : FALSE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(module, name));
}

HMODULE GetModuleHandle(LPCSTR name) {
  if (name == nullptr) {
    static void *self = dlopen(nullptr, RTLD_NOW);
    return static_cast<HMODULE>(self);
  }
  // Only a library that is already loaded; GetModuleHandle takes no reference.
  const QString path = ResolveLibrary(name);
  if (path.isEmpty()) return nullptr;
  void *module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
  if (module) dlclose(module);
  return static_cast<HMODULE>(module);
}

DWORD GetModuleFileName(HMODULE module, LPSTR buffer, DWORD size) {
  QString path;
  if (module == nullptr || module == GetModuleHandle(nullptr)) {
    path = platform::ProgramFile();
  } else {
    link_map *map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr)
      return 0;
    path = QString::fromUtf8(map->l_name);
  }
  return DWORD(CopyOut(path.toUtf8(), buffer, size));
}

void MxSetApplicationFolder(LPCSTR folder) {
  gApplicationFolder = folder ? Folder(QString::fromUtf8(folder)) : QString();
}

DWORD MxApplicationFolder(LPSTR buffer, DWORD size) {
  return DWORD(CopyOut(ApplicationFolder().toUtf8(), buffer, size));
}

int LoadString(HINSTANCE module, UINT id, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = 0;
  MX_LOAD_STRING_FN loader = nullptr;
  if (module == nullptr || module == GetModuleHandle(nullptr)) {
    loader = gProgramStrings;
  } else {
    loader = reinterpret_cast<MX_LOAD_STRING_FN>(dlsym(module, MX_LOAD_STRING_SYMBOL));
  }
  if (loader == nullptr) return 0;
  int copied = loader(id, buffer, size);
  if (copied < 0 || copied >= size) copied = 0;
  buffer[copied] = 0;
  // Never leave half a UTF-8 character at the cut.
  int start = copied;
  while (start > 0 && (uint8_t(buffer[start - 1]) & 0xC0) == 0x80) --start;
  if (start > 0 && (uint8_t(buffer[start - 1]) & 0x80)) {
    const int lead = uint8_t(buffer[start - 1]);
    const int length = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
    if (copied - (start - 1) < length) copied = start - 1;
  }
  buffer[copied] = 0;
  return copied;
}

void MxRegisterStringLoader(MX_LOAD_STRING_FN loader) {
  gProgramStrings = loader;
}

UINT GetWindowsDirectory(LPSTR buffer, UINT size) {
  return UINT(CopyOut(WindowsFolder().toUtf8(), buffer, size));
}

UINT GetSystemDirectory(LPSTR buffer, UINT size) {
  return UINT(CopyOut(SystemFolder().toUtf8(), buffer, size));
}

DWORD SearchPath(LPCSTR path, LPCSTR fileName, LPCSTR extension, DWORD size, LPSTR buffer,
                 LPSTR *filePart) {
  if (fileName == nullptr) return 0;
  QString name = QString::fromUtf8(fileName).replace(u'\\', u'/');
  if (extension && !QFileInfo(name).fileName().contains(u'.')) name += QString::fromUtf8(extension);
  QStringList folders;
  if (path) {
    for (QString folder : QString::fromUtf8(path).split(u';', Qt::SkipEmptyParts)) {
      folder.replace(u'\\', u'/');
      while (folder.size() > 1 && folder.endsWith(QStringLiteral("//"))) folder.chop(1);
      folders += folder;
    }
  } else {
    folders = {ApplicationFolder(), QDir::currentPath(), SystemFolder(), WindowsFolder()};
    folders += qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts);
  }
  for (const QString &folder : folders) {
    const QString found = name.contains(u'/') && QFileInfo(name).isAbsolute()
                              ? (QFileInfo(name).isFile() ? name : QString())
                              : FindInFolder(folder, name);
    if (found.isEmpty()) continue;
    const QByteArray bytes = QFileInfo(found).absoluteFilePath().toUtf8();
    if (buffer == nullptr || size <= DWORD(bytes.size())) return DWORD(bytes.size() + 1);
    CopyOut(bytes, buffer, size);
    if (filePart) *filePart = std::strrchr(buffer, '/') + 1;
    return DWORD(bytes.size());
  }
  return 0;
}

}  // extern "C"
