// SPDX-License-Identifier: MIT
// cutremoval FOLDER STEP: a run that is cut short (a power cut, a kill) in the middle of a
// removal. It converts the folder with removal on, as vantoro-cli --delete-source does, and
// ends at once, as a killed process does (no lock let go, nothing cleaned up), just before the
// step of the removal whose path ends with STEP, or, for "checked", once every check passed.
// Exits with 9 when it was cut there, 3 when the run ended without meeting that step.
#include <QCoreApplication>

#include <cstdlib>

#include "threadobject.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3)
        return 2;
    const QString cut = arguments.at(2);
    ThreadObject worker;
    worker.setDeleteSource(true);
    worker.setPauseInterval(0);
    RunObserver observer;
    observer.removing = [&cut](const RemovalStep &step) {
        const bool here = cut == QLatin1String("checked")
            ? step.kind == RemovalStep::Checked
            : step.kind == RemovalStep::Removing && step.path.endsWith(cut);
        if (here)
            std::_Exit(9);
    };
    worker.setObserver(observer);
    worker.runConversion(arguments.at(1));
    return 3;
}
