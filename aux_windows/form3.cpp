// About window. (Not written yet.)
#include "aux_windows/form3.h"

#include <QCloseEvent>

TForm3::TForm3(TForm1* mainForm, QWidget* parent) : QWidget(parent), mainForm_(mainForm) {}
int TForm3::windowHeight() const { return height_; }
void TForm3::setWindowHeight(int height) { height_ = height; }
void TForm3::SpeedButton1Click() {}
void TForm3::Button1Click() {}
void TForm3::closeEvent(QCloseEvent* event) { QWidget::closeEvent(event); }
