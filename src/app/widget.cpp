// SPDX-License-Identifier: MIT
#include "widget.h"
#include "ui_widget.h"

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
}

void Widget::stopWorkerThread()
{
    worker->stop();
    if (!workerThread)
        return;
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
