#include "pages/subscriber_model.h"

#include <exception>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/work_folder.h"
#include "services/install_services.h"

namespace pelmo {

PageResult SubscriberModel::Add(const std::string& user, const std::string& password,
                                bool overwrite) {
  PageResult result;
  if (user.empty() || password.empty()) return result;
  if (!overwrite && FileExists(m_folder.UserFile(BoxFileName(user)))) {
    // A new box would throw away the subscriber's messages.
    result.message = PageMessage{
        .kind = MessageKind::kQuestion,
        .title = W("Добавление абонента"),
        .text = W("У абонента \"") + user + W("\" уже есть ящик. Заменить его? Сообщения в нём пропадут.")};
    return result;
  }
  try {
    m_services.offlineMessages.WriteBox(user, password,
                                        W("Спасибо за регистрацию в нашей системе!"));
  } catch (const std::exception&) {
    throw FileError("Не удалось записать ящик абонента " + Cp1251ToUtf8(user));
  }
  result.done = true;
  return result;
}

}  // namespace pelmo
