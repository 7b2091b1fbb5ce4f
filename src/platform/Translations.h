#pragma once

#include <QLocale>

// The program's words in the language of the user's locale. English is written in the source;
// fadebin_en adds only its plural forms ("1 file", "2 files") and is what a locale without a
// translation of its own (the C locale among them) reads.
namespace fadebin {

// Installs Fadebin's translation for the locale's languages (English when there is none), and
// Qt's own where it is installed, replacing what an earlier call installed. Needs the
// application object. True when a translation other than English was found.
bool installTranslations(const QLocale& locale = QLocale::system());

} // namespace fadebin
