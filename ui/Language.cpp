#include "ui/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quarbel::ui {

bool useJapanese(QTranslator& translator) {
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    const bool loaded = translator.load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"),
                                        QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (loaded) {
        QCoreApplication::installTranslator(&translator);
    }
    // File dialogs take dates and type names ("Windows BMP image") from the default locale, not
    // from the translation.
    QLocale::setDefault(loaded && !translator.language().isEmpty() ? QLocale(translator.language())
                                                                   : japanese);
    return loaded;
}

} // namespace quarbel::ui
