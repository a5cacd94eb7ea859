// SPDX-License-Identifier: MIT
#ifndef WIDGET_H
#define WIDGET_H

#include <QString>
#include <QWidget>

class QDragEnterEvent;
class QDropEvent;
class QThread;
class QTimer;
class ThreadObject;

namespace Ui {
class Widget;
}

// The converter's main window: picks a folder, hands it to the worker thread, shows progress.
class Widget : public QWidget
{
    Q_OBJECT

public:
    explicit Widget(QWidget *parent = nullptr);
    ~Widget() override;

signals:
    void startObjThreadWork1(QString dirString);

public slots:
    void message_FromSubthread_SLOT(QString infoString);
    void convertFinished_SLOT();
    void currentFileName_SLOT(QString filename);

private slots:
    void on_pushButtonStart_clicked();
    void on_pushButton_about_clicked();
    void on_checkBox_deleteSource_clicked(bool checked);
    void progressBarTimer_SLOT();

protected:
    // A folder dragged from a file manager is taken as if chosen in the folder chooser.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void initWorkerThread();
    void stopWorkerThread();
    void startConvert();
    void initProgressBar();

    ThreadObject *worker = nullptr;
    QThread *workerThread = nullptr;
    QString selectedDir;
    Ui::Widget *ui = nullptr;
    QTimer *progressTimer = nullptr;
    int progressMax = 0;
    int progressCount = 0;
    // Runs asked of the worker and not yet ended: the display says done only when none is.
    int runsInProgress = 0;
};

#endif // WIDGET_H
