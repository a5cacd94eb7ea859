// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include "payform2.h"
#include "widget.h"

class tst_PayForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyClickOpensAnotherWindow();
    void imagesLoadAtTheirSizes_data();
    void imagesLoadAtTheirSizes();
    void donationWindowOutlivesTheMainWindow();

private:
    QList<payForm2 *> openDonationWindows() const;
};

QList<payForm2 *> tst_PayForm::openDonationWindows() const
{
    QList<payForm2 *> found;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *form = qobject_cast<payForm2 *>(widget); form && form->isVisible())
            found << form;
    }
    return found;
}

void tst_PayForm::init()
{
    QVERIFY(openDonationWindows().isEmpty());
}

void tst_PayForm::cleanup()
{
    // The program never deletes these; the test does, so the next one starts clean.
    for (payForm2 *form : openDonationWindows())
        delete form;
}

void tst_PayForm::everyClickOpensAnotherWindow()
{
    Widget window;
    window.show();
    auto *about = window.findChild<QPushButton *>(QStringLiteral("pushButton_about"));
    QVERIFY(about);
    QTest::mouseClick(about, Qt::LeftButton);
    QTest::mouseClick(about, Qt::LeftButton);
    const QList<payForm2 *> forms = openDonationWindows();
    QCOMPARE(forms.size(), 2);
    for (payForm2 *form : forms) {
        QVERIFY(!form->parentWidget());
        QVERIFY(!form->isModal());
        QCOMPARE(form->windowTitle(), QStringLiteral("welcome"));
        const QString text =
            form->findChild<QTextBrowser *>(QStringLiteral("textBrowser"))->toPlainText();
        QVERIFY(text.contains(QStringLiteral("For support:vantoro-support@example.com")));
    }
}

void tst_PayForm::imagesLoadAtTheirSizes_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QSize>("size");
    QTest::newRow("Alipay on the right") << "groupBox_2"
                                         << "Alipay"
                                         << "label_2" << QSize(165, 200);
    QTest::newRow("WeChat on the left") << "groupBox"
                                        << "Wechat"
                                        << "label" << QSize(153, 200);
}

void tst_PayForm::imagesLoadAtTheirSizes()
{
    QFETCH(QString, frame);
    QFETCH(QString, title);
    QFETCH(QString, label);
    QFETCH(QSize, size);
    payForm2 form;
    auto *box = form.findChild<QGroupBox *>(frame);
    QVERIFY(box);
    QCOMPARE(box->title(), title);
    auto *image = box->findChild<QLabel *>(label);
    QVERIFY(image);
    const QPixmap pixmap = image->pixmap(Qt::ReturnByValue);
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.size(), size);
    QVERIFY(image->text().isEmpty());
}

void tst_PayForm::donationWindowOutlivesTheMainWindow()
{
    auto *window = new Widget;
    window->show();
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pushButton_about")),
                      Qt::LeftButton);
    QCOMPARE(openDonationWindows().size(), 1);

    // The application quits when its last window closes, as the program's event loop does.
    bool runningAfterMainClosed = false;
    QTimer::singleShot(0, window, [window] { window->close(); });
    QTimer::singleShot(300, qApp, [&] {
        runningAfterMainClosed = true;
        openDonationWindows().first()->close();
    });
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(runningAfterMainClosed);
    delete window;
}

QTEST_MAIN(tst_PayForm)
#include "tst_payform.moc"
