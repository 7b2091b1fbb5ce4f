#include "platform/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace fadebin {

namespace {

// Owned here for the life of the program; replaced when a test switches languages.
std::unique_ptr<QTranslator> ownTranslator;
std::unique_ptr<QTranslator> qtTranslator;

void replace(std::unique_ptr<QTranslator>& slot, std::unique_ptr<QTranslator> next) {
    if (slot)
        QCoreApplication::removeTranslator(slot.get());
    slot = std::move(next);
    if (slot)
        QCoreApplication::installTranslator(slot.get());
}

} // namespace

bool installTranslations(const QLocale& locale) {
    // Built into the program by qt_add_translations, under its default prefix.
    const QString folder = QStringLiteral(":/i18n");
    auto own = std::make_unique<QTranslator>();
    bool found = own->load(locale, QStringLiteral("fadebin"), QStringLiteral("_"), folder) &&
                 own->language() != QLatin1String("en");
    if (!found && !own->load(QStringLiteral("fadebin_en"), folder))
        own.reset();
    replace(ownTranslator, std::move(own));
    // Qt's texts (a command line parser's errors, dialogs' standard buttons), when installed.
    auto qt = std::make_unique<QTranslator>();
    const bool qtFound = qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                                  QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    replace(qtTranslator, qtFound ? std::move(qt) : nullptr);
    return found;
}

} // namespace fadebin
