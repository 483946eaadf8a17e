#include "pages/window_texts.h"

#include "base/cp1251.h"

namespace pelmo {

std::string CaptionText(WindowCaption caption) {
  switch (caption) {
    case WindowCaption::kLogTab:
      return W("&Лог");
    case WindowCaption::kSettingsTab:
      return W("&Настройки");
    case WindowCaption::kAboutTab:
      return W("О програ&мме");
    case WindowCaption::kFileMenu:
      return W("Фа&йл");
    case WindowCaption::kHelpMenu:
    case WindowCaption::kTrayHelpItem:
      return W("Справка");
    case WindowCaption::kHelpItem:
      return W("Помо&щь");
    case WindowCaption::kAboutItem:
      return W("О про&грамме");
    case WindowCaption::kStartItem:
      return W("Запустить Бота");
    case WindowCaption::kStopItem:
      return W("Остановить Бота");
    case WindowCaption::kShowItem:
      return W("Развернуть");
    case WindowCaption::kTrayAboutItem:
      return W("О программе");
    case WindowCaption::kExitItem:
      return W("Выход");
    case WindowCaption::kNoTopic:
      return W("< Нет темы >");
    case WindowCaption::kTopicBoxTitle:
      return W("Добавить топик");
    case WindowCaption::kTopicBoxPrompt:
      return W("Введите текст:");
    case WindowCaption::kAboutLine:
      return W("Pelmo_bot — бот для чата локальной сети.");
    case WindowCaption::kAboutCredits:
      return W("Бот для чата локальной сети: отвечает на команды, ведёт викторину, голосование, "
               "поздравляет с днём рождения и хранит сообщения для отсутствующих.");
    case WindowCaption::kStartCount:
      break;
  }
  return W("Количество запусков:");
}

std::string HelpNotOpenedText(const std::string& path) {
  return "Не удалось открыть справку: на компьютере нет программы для просмотра страниц "
         "(браузера).\nСправка лежит в файле:\n" + path;
}

std::string ToolButtonHint(ToolButton button) {
  switch (button) {
    case ToolButton::kStart:
      return W("Запустить бота");
    case ToolButton::kStop:
      return W("Остановить бота");
    case ToolButton::kClearLog:
      return W("Очистить лог");
    case ToolButton::kRefreshUsers:
      break;
  }
  return W("Обновить список пользователей.");
}

std::string StartFaultText(const StartFault& fault) {
  switch (fault.kind) {
    case StartFault::Kind::kPortHeld:
      return W("Бот не в чате: порт ") + std::to_string(fault.port) +
             W(" занят другой программой (другим ботом или чатом на этом компьютере).\n"
               "Закройте её или укажите другой порт на странице «Сетевые настройки» и "
               "сохраните настройки.");
    case StartFault::Kind::kNotGroup:
      return W("Бот не в чате: ") + AddressToText(fault.group) +
             W(" — не адрес группы. Адрес группы должен быть от 224.0.0.0 до "
               "239.255.255.255.\nИсправьте его на странице «Сетевые настройки» или снимите "
               "там «IP Multicast mode» и сохраните настройки.");
    case StartFault::Kind::kOther:
    case StartFault::Kind::kNone:
      break;
  }
  std::string text = W("Бот не в чате: сеть не запустилась");
  if (!fault.words.empty()) text += " (" + fault.words + ")";
  return text + W(".\nПодробности — в строках лога выше; проверьте страницу «Сетевые настройки».");
}

std::string RefusalText(const std::string& dir, const std::string& reason, bool dirExists) {
  if (!dirExists) {
    return "Нет рабочей папки " + dir +
           ".\n\nУкажите в параметре --dir папку с файлами бота (Net.ini, others.ini, botfile); "
           "новую можно сделать копией папки workdir, установленной с программой.";
  }
  if (reason.rfind("another instance", 0) == 0) {
    return "Бот уже работает: другая копия этого окна или программы pelmobot.\n\n"
           "Два бота испортили бы файлы рабочей папки " + dir + ".";
  }
  return "Рабочая папка " + dir + " недоступна:\n" + reason;
}

std::string SaveFailureText(const std::string& file, const std::string& reason) {
  // The system's words may end with their own full stop.
  const std::string why =
      !reason.empty() && reason.back() == '.' ? reason.substr(0, reason.size() - 1) : reason;
  return W("Настройки не сохранены: не удалось записать файл ") + file + " (" + why +
         W(").\nБот работает дальше с прежними настройками. Сделайте папку доступной для "
           "записи и нажмите «Сохранить» ещё раз.");
}

}  // namespace pelmo
