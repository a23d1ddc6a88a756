#pragma once
// Copying a picture into the picture folder. The copy goes to a temporary name in the
// target folder and is renamed into place only when complete, so an interrupted copy
// never leaves a truncated picture under the final name.
#include <QString>

namespace platform {

// Copies `source` to `target` in chunks of 8192 bytes, replacing `target`.
// Raises Failure "Impossible d'ouvrir le fichier <source>" when the source cannot be
// read and "Impossible de créer le fichier <target>" when the target cannot be made.
void CopyFileAtomic(const QString &source, const QString &target);

// True when both files exist and hold the same bytes.
bool SameFileContents(const QString &a, const QString &b);

// The first name in `folder` that is free or already holds the bytes of `source`:
// `name` itself, then stem-2.ext, stem-3.ext, and so on.
QString FreeNameFor(const QString &source, const QString &folder, const QString &name);

}  // namespace platform
