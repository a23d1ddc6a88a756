#include "Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares a function at global scope, so it must not be used inside
// a namespace.
void InitMuralixResources() {
  Q_INIT_RESOURCE(muralix);
}
