#include "app/Main.h"

void TMainForm::WireCommCommands() {}
