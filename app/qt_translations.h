#pragma once

class QCoreApplication;

namespace tarvelo::app {

// Qt's own texts (the buttons of message boxes and file dialogs) in Russian when the
// system language is Russian, like the rest of the program. Without the translation
// files installed they stay in English.
void loadQtTranslations(QCoreApplication& application);

}  // namespace tarvelo::app
