// Dialogue modes, the exchange poll and the two auxiliary windows. (Not written yet.)
#include "main_window/form1.h"

void TForm1::CpuUser1Click() {}
void TForm1::Cpu31Click() {}
void TForm1::Timer6Timer() {}
void TForm1::N38Click() {}
void TForm1::N12Click() {}
