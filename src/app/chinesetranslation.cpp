// SPDX-License-Identifier: MIT
#include "chinesetranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>

namespace {

QString qtTranslationsFolder()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

} // namespace

bool installQtChineseTranslation(QCoreApplication &application)
{
    const QStringList folders { qtTranslationsFolder(),
                                QCoreApplication::applicationDirPath()
                                    + QStringLiteral("/translations") };
    auto *translator = new QTranslator(&application);
    for (const QString &folder : folders) {
        if (translator->load(QStringLiteral("qtbase_zh_CN"), folder)
            && QCoreApplication::installTranslator(translator))
            return true;
    }
    delete translator;
    return false;
}
