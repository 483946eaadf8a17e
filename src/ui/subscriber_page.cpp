#include "ui/subscriber_page.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/work_folder.h"
#include "services/install_services.h"
#include "services/offline_messages.h"
#include "ui/page_layout.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

AddNewDialog::AddNewDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("AddNewF");
  setWindowTitle("Добавление абонента");
  m_user = new QLineEdit(this);
  m_user->setObjectName("UserE");
  m_password = new QLineEdit(this);
  m_password->setObjectName("PasswordE");
  m_password->setEchoMode(QLineEdit::Password);
  FitWidth(m_user, sample::kName);
  FitWidth(m_password, sample::kName);
  auto* ok = new QPushButton("Ok", this);
  ok->setObjectName("OkB");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("CancelB");
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_password, &QLineEdit::returnPressed, ok, &QPushButton::click);
  auto* form = new QFormLayout;
  form->addRow("User:", m_user);
  form->addRow("Password:", m_password);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  setFixedSize(sizeHint());
  m_user->setFocus();
}

SubscriberPage::SubscriberPage(InstalledServices& services, const WorkFolder& folder,
                               const WindowPlatform& platform, QWidget* parent)
    : QWidget(parent), m_services(services), m_folder(folder), m_platform(platform) {
  runDialog = [](AddNewDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* panel = new QWidget(this);
  panel->setObjectName("AbonPanel");
  auto* panelLayout = new QVBoxLayout(panel);
  auto* list = new QListWidget(panel);
  list->setObjectName("AbonLB");
  auto* add = new QPushButton("Добавить", panel);
  add->setObjectName("AddAbonB");
  auto* remove = new QPushButton("Удалить", panel);
  remove->setObjectName("DelAbonB");
  remove->setEnabled(false);
  connect(add, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { AddAbonBClick(); }); });
  panelLayout->addWidget(list);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(remove);
  panelLayout->addLayout(buttons);
  panel->hide();
  layout->addWidget(panel);
  layout->addWidget(new QLabel("Для подробной информации смотрите файл help.txt"));
  layout->addStretch(1);
}

bool SubscriberPage::AddAbonBClick() {
  AddNewDialog dialog(this);
  if (!runDialog || !runDialog(dialog)) return false;
  const std::string user = FromQ(dialog.User()->text());
  const std::string password = FromQ(dialog.Password()->text());
  if (user.empty() || password.empty()) return false;
  if (FileExists(m_folder.UserFile(BoxFileName(user)))) {
    // A new box would throw away the subscriber's messages.
    const bool overwrite =
        m_platform.askYesNo &&
        m_platform.askYesNo("Добавление абонента",
                            "У абонента \"" + dialog.User()->text() +
                                "\" уже есть ящик. Заменить его? Сообщения в нём пропадут.");
    if (!overwrite) return false;
  }
  if (!m_services.WriteBox(user, password, W("Спасибо за регистрацию в нашей системе!"))) {
    throw FileError("Cannot write the box of " + dialog.User()->text().toStdString());
  }
  return true;
}

}  // namespace pelmo
