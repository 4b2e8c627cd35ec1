// New dialogue, undo, exit with the conversation log, window shake, farewell
// close and the keyboard-layout converter. (Not written yet.)
#include "main_window/form1.h"

void TForm1::N2Click() {}
void TForm1::SpeedButton2Click() {}
void TForm1::N4Click() {}
void TForm1::Timer7Timer() {}
void TForm1::Timer4Timer() {}
void TForm1::SpeedButton3Click() {}
