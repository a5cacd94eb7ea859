// SPDX-License-Identifier: MIT
#include <QApplication>

#include "chinesetranslation.h"
#include "sessionend.h"
#include "widget.h"

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    installQtChineseTranslation(application);
    Widget window;
    window.show();
    quitOnSessionEnd(application);
    return application.exec();
}
