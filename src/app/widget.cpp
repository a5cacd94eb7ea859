// SPDX-License-Identifier: MIT
#include "widget.h"
#include "ui_widget.h"

#include <QApplication>
#include <QDebug>
#include <QThread>
#include <QTimer>

#include "payform2.h"
#include "threadobject.h"

Widget::Widget(QWidget *parent) : QWidget(parent), ui(new Ui::Widget)
{
    ui->setupUi(this);
    setAcceptDrops(true);
    initProgressBar();
    initWorkerThread();
}

Widget::~Widget()
{
    stopWorkerThread();
    delete ui;
}

void Widget::initWorkerThread()
{
    if (workerThread)
        return;
    workerThread = new QThread;
    worker = new ThreadObject;
    worker->moveToThread(workerThread);
    worker->setDeleteSource(ui->checkBox_deleteSource->isChecked());

    connect(workerThread, &QThread::finished, workerThread, &QObject::deleteLater);
    connect(workerThread, &QThread::finished, worker, &QObject::deleteLater);
    connect(this, &Widget::startObjThreadWork1, worker, &ThreadObject::runSomeBigWork1,
            Qt::UniqueConnection);
    connect(worker, &ThreadObject::message_FromSubthread_Signal, this,
            &Widget::message_FromSubthread_SLOT);
    connect(worker, &ThreadObject::convertFinished_Signal, this, &Widget::convertFinished_SLOT);
    connect(worker, &ThreadObject::currentFileName_Signal, this, &Widget::currentFileName_SLOT);

    workerThread->start(QThread::InheritPriority);

    // When the application quits, however it was asked to, the run stops first. When Windows
    // ends the session it ends the program right after this signal, so the stop cannot wait for
    // the window to be destroyed.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Widget::stopWorkerThread);
#ifndef QT_NO_SESSIONMANAGER
    // Asked whether the session may end, the window stops its run at once and answers only when
    // it has: Windows gives each of the two questions a few seconds, and a slow machine may need
    // more than one of them.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] {
        if (!workerThread)
            return;
        worker->stop();
        // The worker takes this up once its run has ended and it is back in its event loop.
        const auto backInItsEventLoop = [] { return true; };
        QMetaObject::invokeMethod(worker, backInItsEventLoop, Qt::BlockingQueuedConnection);
    });
#endif
}

void Widget::stopWorkerThread()
{
    // Once stopped, the worker is gone with its thread.
    if (!workerThread)
        return;
    worker->stop();
    workerThread->quit();
    workerThread->wait();
    delete workerThread;
    workerThread = nullptr;
}

void Widget::initProgressBar()
{
    ui->progressBar->hide();
    progressMax = 0;
    progressCount = 0;
    ui->progressBar->setRange(0, 0);
    ui->progressBar->setValue(progressCount);
    if (!progressTimer) {
        progressTimer = new QTimer(this);
        progressTimer->setInterval(500);
        connect(progressTimer, SIGNAL(timeout()), this, SLOT(progressBarTimer_SLOT()));
    }
}

void Widget::on_pushButton_about_clicked()
{
    qDebug() << "\n"
             << "on_pushButton_about_clicked"
             << "\n";
    auto *dialog = new payForm2;
    dialog->show();
}
