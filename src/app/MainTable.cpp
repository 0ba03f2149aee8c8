#include "app/Main.h"

void TMainForm::WireTableCommands() {}
