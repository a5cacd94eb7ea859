// SPDX-License-Identifier: MIT
// The window's reactions to the user and to the worker during a run.
#include "ui_widget.h"
#include "widget.h"

#include <QDebug>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

#include "threadobject.h"

void Widget::on_pushButtonStart_clicked()
{
    selectedDir =
        QFileDialog::getExistingDirectory(nullptr, QString(), QString(), QFileDialog::ShowDirsOnly);
    qDebug() << " dir is " << selectedDir;
    if (!selectedDir.isEmpty())
        startConvert();
}

void Widget::startConvert()
{
    emit startObjThreadWork1(selectedDir);
    ui->label_status->setText(QStringLiteral("转换中"));
    ui->progressBar->show();
    progressTimer->start();
}

void Widget::progressBarTimer_SLOT()
{
    ++progressCount;
    if (progressCount >= progressMax)
        progressCount = 0;
    ui->progressBar->setValue(progressCount);
}

void Widget::currentFileName_SLOT(QString filename)
{
    ui->label_filename->setText(filename);
}

void Widget::convertFinished_SLOT()
{
    ui->label_status->setText(QStringLiteral("已完成"));
    initProgressBar();
    progressTimer->stop();

    // Show the end for a while; the window keeps working meanwhile.
    QEventLoop loop;
    QTimer::singleShot(5000, Qt::CoarseTimer, &loop, &QEventLoop::quit);
    loop.exec();

    ui->label_status->setText(QStringLiteral("空闲中"));
    ui->label_filename->clear();
}

void Widget::message_FromSubthread_SLOT(QString infoString)
{
    qDebug() << "message_FromSubthread_SLOT" << infoString;
    // The worker only speaks when something went wrong: show it, without blocking the window.
    // A long report keeps its first lines in view and the whole list under the details button.
    constexpr int linesInView = 12;
    const QStringList lines = infoString.split(QLatin1Char('\n'));
    const bool tooLong = lines.size() > linesInView;
    QString summary = lines.mid(0, linesInView).join(QLatin1Char('\n'));
    if (tooLong)
        summary += QStringLiteral("\n……（共 %1 条，详见“Show Details...”）").arg(lines.size() - 1);
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("转换出现问题"), summary,
                                QMessageBox::Ok, this);
    if (tooLong)
        box->setDetailedText(infoString);
    box->setObjectName(QStringLiteral("failureReport"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void Widget::on_checkBox_deleteSource_clicked(bool checked)
{
    worker->setDeleteSource(checked);
}
