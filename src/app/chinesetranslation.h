// SPDX-License-Identifier: MIT
// (Not qttranslation.h: Qt 6.5 and later have a header of that name, with the same guard.)
#ifndef CHINESETRANSLATION_H
#define CHINESETRANSLATION_H

class QCoreApplication;

// Installs Qt's own Chinese texts (the folder chooser's, the message boxes' buttons), whatever
// the system's language: every other text of the window is Chinese. Looked for where Qt keeps
// its translations, then in "translations" beside the program. False when it is not there;
// the window then shows Qt's English texts.
bool installQtChineseTranslation(QCoreApplication &application);

#endif // CHINESETRANSLATION_H
