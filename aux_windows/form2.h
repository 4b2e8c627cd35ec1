#pragma once
// The exchange settings window "Редактор": the write path and the poll
// interval of the Cpu\Cpu mode. Its fields are read live by the main window.
#include <QWidget>

class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;

namespace tarsel { class Random; }

class TForm1;

class TForm2 : public QWidget {
    Q_OBJECT
public:
    TForm2(TForm1* mainForm, tarsel::Random& random, QWidget* parent = nullptr);

    QFrame* Bevel1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;      // path field, "D:\Txt.Dat" at start
    QGroupBox* GroupBox2 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;   // interval field, 1..60000, 1000 at start
    QPushButton* Button1 = nullptr;  // "Хорошо"
    QPushButton* Button2 = nullptr;  // "Отмена"
    QTimer* Timer1 = nullptr;        // focus timer, 2000 ms

    // Writes made by the reset command: they do not clear the reset mark.
    void resetFields();

public slots:
    void Button1Click();
    void Button2Click();
    void Timer1Timer();
    void Edit1Change();
    void SpinEdit1Change();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TForm1* mainForm_;
    tarsel::Random& random_;
    bool resetting_ = false;
};
