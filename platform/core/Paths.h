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
// Where the user's own data lives: $XDG_DATA_HOME, or ~/.local/share, ending with '/'.
QString DataFolder();

// The program's folder as the place of the files it writes (pictures of posters, scans).
// Installed, the program's own folder is read-only, so this is the user's data folder plus
// the program file's name: $XDG_DATA_HOME/muralix/, ending with '/'. Files the program only
// reads (the imaging libraries, the help file) stay in ProgramFolder().
QString ProgramDataFolder();
// Makes ProgramDataFolder() answer `folder` (ending with '/'); empty restores the real one.
void SetProgramDataFolderOverride(const QString &folder);
// A file that the program keeps in its folder, named relative to that folder: in
// ProgramDataFolder() when it is there; otherwise beside the program when it is there
// (posters saved by a build that kept its pictures beside itself); otherwise its place in
// ProgramDataFolder().
QString FindProgramDataFile(const QString &relative);

QString ChangeFileExt(const QString &path, const QString &ext);  // ext with its dot
QString ExtractFileName(const QString &path);
QString ExtractFileExt(const QString &path);  // with its dot, "" when none
QString ExpandFileName(const QString &path);
bool FileExists(const QString &path);    // a file (not a folder) exists there
bool AnyEntryIn(const QString &folder);  // the folder exists (its "." entry matches "*.*")
void SetCurrentDir(const QString &folder);
// Creates `folder`, and the folders above it that are missing (the user's data folder
// may not exist yet on a first run; those are made private to the user). Raises
// InOutError with the system's text when it cannot.
void CreateDir(const QString &folder);
// Makes sure the program can write into `folder`, creating it as CreateDir does. Raises
// InOutError with a text that names the folder and gives the system's reason.
void PrepareWritableFolder(const QString &folder);

}  // namespace platform
