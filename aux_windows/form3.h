#pragma once
// The About window "О программе": the version banner, the credits picture and
// the history text from "ReadMe.Txt".
#include <QWidget>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

class TForm1;

class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(TForm1* mainForm, QWidget* parent = nullptr);

    QFrame* TabControl1 = nullptr;
    QFrame* Bevel1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;  // the version banner
    QLabel* QRImage1 = nullptr;           // the credits picture
    QPushButton* Button1 = nullptr;       // "История"
    QFrame* TabControl2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;      // the history text

    // Height of the whole window, frame and title bar included: 179 with the
    // history hidden, 327 with it shown.
    int windowHeight() const;
    void setWindowHeight(int height);

public slots:
    void SpeedButton1Click();
    void Button1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    TForm1* mainForm_;
    int height_ = 179;
};
