// Qt's own texts (the stock dialogs: "Select Color", "Basic colors",
// Cancel, Yes, No) in the language of a locale, from the translations the
// system ships with Qt (Debian: qt6-translations-l10n). Main thread only.
#pragma once

class QLocale;
class QTranslator;

namespace pelmo {

// Installs Qt's translation for locale's languages into the application;
// the translator belongs to the application. Null when the system has
// none for them (the texts stay English).
QTranslator* InstallQtTranslations(const QLocale& locale);

}  // namespace pelmo
