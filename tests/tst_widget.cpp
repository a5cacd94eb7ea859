// SPDX-License-Identifier: MIT
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include "debugcapture.h"
#include "folderchooser.h"
#include "widget.h"

class tst_Widget : public QObject
{
    Q_OBJECT

private slots:
    void startState();
    void namedSlotsAreConnected();
    void startRequestRunsInWorkerThread();
    void destroyingTheWindowEndsTheWorker();
    void formKeepsItsPlacesOnResize();
};

void tst_Widget::startState()
{
    Widget window;
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("m4s-->mp4 converter"));
    auto *status = window.findChild<QLabel *>(QStringLiteral("label_status"));
    auto *filename = window.findChild<QLabel *>(QStringLiteral("label_filename"));
    auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    auto *box = window.findChild<QCheckBox *>(QStringLiteral("checkBox_deleteSource"));
    QVERIFY(status && filename && bar && box);
    QCOMPARE(status->text(), QStringLiteral("空闲中"));
    QVERIFY(filename->text().isEmpty());
    QVERIFY(!bar->isVisible());
    QCOMPARE(bar->maximum(), 0);
    QVERIFY(!box->isChecked());
    QCOMPARE(box->text(), QStringLiteral("转换完成后删除源文件"));
    auto *help = window.findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
    QVERIFY(help);
    QVERIFY(help->toPlainText().contains(QStringLiteral("vantoro-support@example.com")));
}

void tst_Widget::namedSlotsAreConnected()
{
    // A misspelt object name leaves its by-name connection silently missing; Qt only warns.
    DebugCapture debug;
    Widget window;
    QCOMPARE(debug.warnings().filter(QStringLiteral("connectSlotsByName")), QStringList());

    auto *about = window.findChild<QPushButton *>(QStringLiteral("pushButton_about"));
    QVERIFY(about);
    about->click();
    QCOMPARE(debug.count(QStringLiteral("on_pushButton_about_clicked")), 1);
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->inherits("payForm2"))
            delete top;
    }

    answerNextFolderChooser(QString());
    window.findChild<QPushButton *>(QStringLiteral("pushButtonStart"))->click();
    QCOMPARE(debug.count(QStringLiteral(" dir is ")), 1);
}

void tst_Widget::startRequestRunsInWorkerThread()
{
    QTemporaryDir empty;
    QVERIFY2(empty.isValid(), qPrintable(empty.errorString()));
    DebugCapture debug;
    Widget window;
    const QString gui = QString::asprintf("%p", static_cast<void *>(QThread::currentThreadId()));
    emit window.startObjThreadWork1(empty.path());
    QTRY_COMPARE(debug.count(QStringLiteral("runSomeBigWork1")), 1);
    const QString line = debug.matching(QStringLiteral("runSomeBigWork1")).first();
    QVERIFY2(line.endsWith(QLatin1Char('"') + empty.path() + QLatin1Char('"')), qPrintable(line));
    QVERIFY2(!line.contains(gui), qPrintable(line + " ran in the GUI thread " + gui));
    QTRY_COMPARE(debug.count(QStringLiteral("all finished")), 1);
}

void tst_Widget::destroyingTheWindowEndsTheWorker()
{
    DebugCapture debug;
    auto *window = new Widget;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(debug.count(QStringLiteral("ThreadObject destroy")), 0);
    delete window;
    // The worker is deleted in its own thread as that thread ends, before the destructor returns.
    QCOMPARE(debug.count(QStringLiteral("ThreadObject destroy")), 1);
    QCOMPARE(debug.count(QStringLiteral(" stop ")), 1);
}

void tst_Widget::formKeepsItsPlacesOnResize()
{
    Widget window;
    window.show();
    auto *group = window.findChild<QWidget *>(QStringLiteral("groupBox_2"));
    auto *start = window.findChild<QWidget *>(QStringLiteral("layoutWidget"));
    QVERIFY(group && start);
    const QRect groupBefore = group->geometry();
    const QRect startBefore = start->geometry();
    window.resize(1200, 900);
    QCoreApplication::processEvents();
    QCOMPARE(group->geometry(), groupBefore);
    QCOMPARE(start->geometry(), startBefore);
}

QTEST_MAIN(tst_Widget)
#include "tst_widget.moc"
