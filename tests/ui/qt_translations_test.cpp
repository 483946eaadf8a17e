// Qt's stock dialogs speak the desktop's language: under a Russian locale
// the buttons and titles of the message, input and colour boxes are
// Russian (Debian's qt6-translations-l10n, which the package depends on).
#include <QColorDialog>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include "ui/qt_translations.h"

namespace pelmo {
namespace {

TEST(QtTranslations, RussianLocaleGivesRussianStockDialogs) {
  QTranslator* russian = InstallQtTranslations(QLocale(QLocale::Russian, QLocale::Russia));
  ASSERT_NE(russian, nullptr) << "Qt's Russian translation is not installed "
                                 "(scripts/install-deps.sh installs qt6-translations-l10n)";
  QMessageBox box(QMessageBox::Question, "Pelmo_bot v 1.3", "?", QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QString::fromUtf8("&Да"));
  EXPECT_EQ(box.button(QMessageBox::No)->text(), QString::fromUtf8("&Нет"));
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("Отмена"));
  QColorDialog colour;
  EXPECT_EQ(colour.windowTitle(), QString::fromUtf8("Выбор цвета"));
  QCoreApplication::removeTranslator(russian);
  delete russian;

  // Without it the texts are Qt's own English.
  QMessageBox english(QMessageBox::Question, "Pelmo_bot v 1.3", "?", QMessageBox::Yes);
  EXPECT_EQ(english.button(QMessageBox::Yes)->text(), "&Yes");
  // A language Qt ships nothing for leaves it so.
  EXPECT_EQ(InstallQtTranslations(QLocale(QLocale::Zulu, QLocale::SouthAfrica)), nullptr);
}

}  // namespace
}  // namespace pelmo
