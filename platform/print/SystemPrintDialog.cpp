#include "Printer.h"
#include "ui/DialogHost.h"

namespace platform {

// The program's print dialog is the one of the printer in use: Qt's dialog for the
// system's printers, the same dialog asking for a file for the PDF printer.
bool ShowSystemPrintDialog(QWidget *parent, PrintDialogSpec &request) {
  return ThePrinter().ShowPrintDialog(parent, request);
}

}  // namespace platform
