#include "ui/subscriber_page.h"

#include <QLineEdit>
#include <QPushButton>

#include "pages/page_defs.h"
#include "ui/page_render.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

AddNewDialog::AddNewDialog(QWidget* parent) : QDialog(parent) {
  const PageDef& def = SubscriberDialogDef();
  setObjectName(QString::fromStdString(def.name));
  setWindowTitle(ToQ(def.title));
  const PageControls controls = RenderPage(def, this, nullptr);
  m_user = controls.Get<QLineEdit>("UserE");
  m_password = controls.Get<QLineEdit>("PasswordE");
  OnAction(def, controls, PageAction::kAcceptDialog, nullptr, [this] { accept(); });
  OnAction(def, controls, PageAction::kCancelDialog, nullptr, [this] { reject(); });
  // Enter in the password field is OK.
  auto* ok = controls.Get<QPushButton>("OkB");
  connect(m_password, &QLineEdit::returnPressed, ok, &QPushButton::click);
  setFixedSize(sizeHint());
  m_user->setFocus();
}

SubscriberPage::SubscriberPage(InstalledServices& services, const WorkFolder& folder,
                               const WindowPlatform& platform, QWidget* parent)
    : QWidget(parent), m_model(services, folder), m_platform(platform) {
  runDialog = [](AddNewDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
  const PageDef& def = SettingsPage(PageId::kSubscribers);
  const PageControls controls = RenderPage(def, this, nullptr);
  OnAction(def, controls, PageAction::kAddSubscriber, &m_platform, [this] { AddAbonBClick(); });
}

bool SubscriberPage::AddAbonBClick() {
  AddNewDialog dialog(this);
  if (!runDialog || !runDialog(dialog)) return false;
  const std::string user = FromQ(dialog.User()->text());
  const std::string password = FromQ(dialog.Password()->text());
  PageResult result = m_model.Add(user, password);
  if (!result.done && result.message && ShowPageMessage(m_platform, *result.message, this)) {
    result = m_model.Add(user, password, true);
  }
  return result.done;
}

}  // namespace pelmo
