// SPDX-License-Identifier: MIT
// The window program as its main() runs it, with a conversion of the folder named on the
// command line started at once, as if the user had chosen it: the tests end it from outside
// (a signal, a session that ends, a kill) while it converts.
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "folderchooser.h"
#include "sessionend.h"
#include "widget.h"

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (application.arguments().size() != 2)
        return 2;
    Widget window;
    window.show();
    quitOnSessionEnd(application);
    QTimer::singleShot(0, &window, [&] {
        answerNextFolderChooser(application.arguments().at(1));
        window.findChild<QPushButton *>(QStringLiteral("pushButtonStart"))->click();
    });
    return application.exec();
}
