// The offline-message page (PageId::kSubscribers, "Abonent_Alert") and its
// dialog TAddNewF ("Добавление абонента": UserE, PasswordE): a new
// subscriber's box, written with the registration greeting. A dialog that
// would overwrite an existing box, and the messages in it, asks first.
// Main thread only.
#pragma once

#include <string>

#include "pages/page_message.h"

namespace pelmo {

struct InstalledServices;
class WorkFolder;

class SubscriberModel {
 public:
  // Both must outlive the model.
  SubscriberModel(InstalledServices& services, const WorkFolder& folder)
      : m_services(services), m_folder(folder) {}

  // The dialog closed with OK. Both texts must be non-empty (else nothing
  // is done). When the nick has a box and overwrite is false, nothing is
  // written and the result holds the question; its yes calls Add again
  // with overwrite. Throws FileError when the box cannot be written.
  PageResult Add(const std::string& user, const std::string& password, bool overwrite = false);

 private:
  InstalledServices& m_services;
  const WorkFolder& m_folder;
};

}  // namespace pelmo
