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

namespace {

// The details button as the user sees it: Qt's own text, in Chinese once its translation is in.
QString detailsButtonText()
{
    return QCoreApplication::translate("QMessageBox", "Show Details...");
}

} // namespace

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
    ++runsInProgress;
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
    // Runs can overlap (a folder chosen during a run is converted inside it): only the end of
    // the last one is the end the user waits for.
    runsInProgress = qMax(0, runsInProgress - 1);
    if (runsInProgress > 0)
        return;
    ui->label_status->setText(QStringLiteral("已完成"));
    initProgressBar();
    progressTimer->stop();

    // Show the end for a while; the window keeps working meanwhile.
    QEventLoop loop;
    QTimer::singleShot(5000, Qt::CoarseTimer, &loop, &QEventLoop::quit);
    loop.exec();

    // A run started during those five seconds is still converting: say so, not idle.
    if (runsInProgress > 0)
        return;
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
        summary += QStringLiteral("\n……（共 %1 条，详见“%2”）")
                       .arg(lines.size() - 1)
                       .arg(detailsButtonText());
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
