#pragma once
// Printing the poster: one sheet of the grid per page, each carrying its part of the
// picture at the top-left corner of the printable area and a dotted cutting outline.
#include <QString>

#include "ui/DialogHost.h"

namespace layout {

class PosterWindow;

// The application title, " : " and the poster file's name ("SANS NOM" / "NONAME" when
// the poster has none).
QString PrintJobTitle(PosterWindow &host);

// Prints the poster on the program's printer after its print dialog. Every outcome is
// shown to the user; returns the number of pages printed (0 when cancelled or failed
// before the first page).
int PrintPoster(PosterWindow &host);

// The same without the dialog: `choice` stands for its answer (the command line).
int PrintPosterWith(PosterWindow &host, const platform::PrintDialogSpec &choice);

}  // namespace layout
