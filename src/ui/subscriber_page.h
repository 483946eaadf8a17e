// The subscriber settings page, "Abonent_Alert", and the new-subscriber dialog
// TAddNewF, both rendered from their definitions. The page shows "Для
// подробной информации смотрите файл help.txt"; the panel with the list
// AbonLB and the buttons "Добавить" (AddAbonB) and "Удалить" (DelAbonB,
// disabled) is hidden, as it always was. The dialog writes through the
// subscriber model (pages/subscriber_model.h), whose question before
// overwriting a box is asked in a Yes/No box. Main thread only.
#pragma once

#include <QDialog>
#include <QWidget>

#include <functional>

#include "pages/subscriber_model.h"

class QLineEdit;

namespace pelmo {

struct InstalledServices;
class WorkFolder;
struct WindowPlatform;

class AddNewDialog final : public QDialog {
 public:
  explicit AddNewDialog(QWidget* parent = nullptr);
  QLineEdit* User() const { return m_user; }
  QLineEdit* Password() const { return m_password; }

 private:
  QLineEdit* m_user;
  QLineEdit* m_password;
};

class SubscriberPage final : public QWidget {
 public:
  SubscriberPage(InstalledServices& services, const WorkFolder& folder,
                 const WindowPlatform& platform, QWidget* parent = nullptr);

  // Opens the dialog; when it closes with OK and both fields hold text,
  // writes the new box with the registration greeting (asking first when
  // the nick has a box). False when nothing was written.
  bool AddAbonBClick();
  // How the dialog is run; tests fill the fields and answer instead.
  std::function<bool(AddNewDialog& dialog)> runDialog;

 private:
  SubscriberModel m_model;
  const WindowPlatform& m_platform;
};

}  // namespace pelmo
