#include "ui/DialogHost.h"

namespace platform {

// Placeholder until the printer support lands: no print dialog, so nothing is printed.
bool ShowSystemPrintDialog(QWidget *, PrintDialogSpec &) { return false; }

}  // namespace platform
