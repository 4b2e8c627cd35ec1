// The About window: opening, the history text and its heights, closing.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "aux_test_support.h"

using auxtest::cp;
using auxtest::Harness;

class AboutWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensOverADisabledMainWindow();
    void historyShowsAndHides();
    void missingHistoryFileChangesNothing();
    void closes_data();
    void closes();
    void pictureClickIsNotABannerClick();
};

void AboutWindowTest::opensOverADisabledMainWindow()
{
    Harness h;
    h.form1->show();
    h.form3->setWindowHeight(327);

    h.form1->N12Click();

    QVERIFY(!h.form1->refreshActive());
    QVERIFY(!h.form1->isEnabled());
    QVERIFY(h.form3->isVisible());
    QVERIFY(h.form3->isEnabled());
    QVERIFY(h.form3->Button1->isEnabled());
    QCOMPARE(h.form3->windowHeight(), 179);  // every opening hides the history
    QCOMPARE(h.form3->windowTitle(), QStringLiteral("О программе"));
    QVERIFY(!h.form3->QRImage1->pixmap().isNull());
}

void AboutWindowTest::historyShowsAndHides()
{
    Harness h;
    auxtest::writeBytes(h.root() / "ReadMe.Txt", cp("Версия 1.9\r\nИстория\nпоследняя строка\r\n"));
    h.form1->show();
    h.form1->N12Click();
    TForm3& about = *h.form3;

    QTest::mouseClick(about.Button1, Qt::LeftButton);
    QCOMPARE(about.windowHeight(), 327);
    QCOMPARE(about.Memo1->toPlainText(), QStringLiteral("Версия 1.9\nИстория\nпоследняя строка"));
    // The whole window, frame included, is that high, and its client area
    // reaches below the history frame.
    QCOMPARE(about.frameGeometry().height(), 327);
    QVERIFY(about.height() > about.TabControl2->geometry().bottom());

    QTest::mouseClick(about.Button1, Qt::LeftButton);
    QCOMPARE(about.windowHeight(), 179);
    QCOMPARE(about.frameGeometry().height(), 179);

    // Every click loads the file again.
    auxtest::writeBytes(h.root() / "ReadMe.Txt", cp("новый текст\r\n"));
    QTest::mouseClick(about.Button1, Qt::LeftButton);
    QCOMPARE(about.windowHeight(), 327);
    QCOMPARE(about.Memo1->toPlainText(), QStringLiteral("новый текст"));

    // Any other height only grows by one.
    about.setWindowHeight(200);
    QTest::mouseClick(about.Button1, Qt::LeftButton);
    QCOMPARE(about.windowHeight(), 201);
    QVERIFY(h.boxes.empty());
}

void AboutWindowTest::missingHistoryFileChangesNothing()
{
    Harness h;
    auxtest::writeBytes(h.root() / "ReadMe.Txt", cp("старый текст\r\n"));
    h.form1->N12Click();
    h.form3->Button1Click();
    QCOMPARE(h.form3->windowHeight(), 327);
    std::filesystem::remove(h.root() / "ReadMe.Txt");

    h.form3->Button1Click();

    QCOMPARE(h.boxTexts(), QStringList{QStringLiteral("Cannot open file ReadMe.Txt.")});
    QCOMPARE(h.form3->windowHeight(), 327);
    QCOMPARE(h.form3->Memo1->toPlainText(), QStringLiteral("старый текст"));
}

void AboutWindowTest::closes_data()
{
    QTest::addColumn<bool>("byBanner");
    QTest::newRow("banner") << true;
    QTest::newRow("close box") << false;
}

void AboutWindowTest::closes()
{
    QFETCH(bool, byBanner);
    Harness h;
    auxtest::writeBytes(h.root() / "ReadMe.Txt", cp("текст\r\n"));
    h.form1->show();
    h.form1->N12Click();
    h.form3->Button1Click();

    if (byBanner)
        QTest::mouseClick(h.form3->SpeedButton1, Qt::LeftButton, {}, QPoint(300, 30));
    else
        QVERIFY(h.form3->close());

    QVERIFY(!h.form3->isVisible());
    QVERIFY(h.form1->isEnabled());
    QVERIFY(h.form1->refreshActive());

    // Opened again: history hidden, old text kept.
    h.form1->N12Click();
    QCOMPARE(h.form3->windowHeight(), 179);
    QCOMPARE(h.form3->Memo1->toPlainText(), QStringLiteral("текст"));
}

void AboutWindowTest::pictureClickIsNotABannerClick()
{
    Harness h;
    h.form1->show();
    h.form1->N12Click();

    QTest::mouseClick(h.form3->QRImage1, Qt::LeftButton);
    QVERIFY(h.form3->isVisible());
    QVERIFY(!h.form1->isEnabled());
}

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
