#include "app/Main.h"

void TMainForm::WireExportCommands() {}
