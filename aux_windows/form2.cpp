// Exchange settings window. (Not written yet.)
#include "aux_windows/form2.h"

#include <QCloseEvent>

TForm2::TForm2(TForm1* mainForm, tarsel::Random& random, QWidget* parent)
    : QWidget(parent), mainForm_(mainForm), random_(random) {}
void TForm2::resetFields() {}
void TForm2::Button1Click() {}
void TForm2::Button2Click() {}
void TForm2::Timer1Timer() {}
void TForm2::Edit1Change() {}
void TForm2::SpinEdit1Change() {}
void TForm2::closeEvent(QCloseEvent* event) { QWidget::closeEvent(event); }
