#pragma once
// Files and folders the way the program speaks of them: the program file, its folder
// ending with the separator, the configuration ("Windows") folder, and the small path
// helpers of the program's algorithms. The separator is '/'.
#include <QString>

namespace platform {

// The running executable, full path.
QString ProgramFile();
// Makes ProgramFile() answer `path` instead (tests place the program's folder elsewhere);
// an empty path restores the real one.
void SetProgramFileOverride(const QString &path);
// Its folder, ending with '/'.
QString ProgramFolder();
// Where initialisation files and settings live: $XDG_CONFIG_HOME, or ~/.config.
QString ConfigFolder();

QString ChangeFileExt(const QString &path, const QString &ext);  // ext with its dot
QString ExtractFileName(const QString &path);
QString ExtractFileExt(const QString &path);  // with its dot, "" when none
QString ExpandFileName(const QString &path);
bool FileExists(const QString &path);    // a file (not a folder) exists there
bool AnyEntryIn(const QString &folder);  // the folder exists (its "." entry matches "*.*")
void SetCurrentDir(const QString &folder);
// Creates `folder`; raises InOutError with the system's text when it cannot.
void CreateDir(const QString &folder);

}  // namespace platform
