#include "app/Main.h"

void TMainForm::WireViewCommands() {}
