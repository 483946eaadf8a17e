#include "pages/page_defs.h"

#include <algorithm>
#include <type_traits>

#include "base/cp1251.h"
#include "core/settings_table.h"
#include "services/timed_features.h"

namespace pelmo {

namespace {

using B = BotSettings;

// The usual contents of the width rule: wide letters and digits.
struct Samples {
  std::string name;  // a nick, a computer, channel or user name of 20 characters
  std::string address = "888.888.888.888";
  std::string port = "88888";
  std::string number = "8888888888";
  std::string minutes = "8888";
  std::string time = "88:88:88";
  std::string url = "http://informer.example/informer/forecast.js?city=27612";
  std::string server = "proxy.office.example.local";
};

const Samples& Sample() {
  static const Samples samples = [] {
    Samples s;
    for (int i = 0; i < 20; ++i) s.name += W("Ш");
    return s;
  }();
  return samples;
}

// A check box; its record member comes from its setting's row, as every
// field's does (see WithMembers), or is given here.
FieldDef Check(const char* name, const char* caption, bool B::*member = nullptr) {
  FieldDef field{.name = name, .kind = FieldKind::kCheck, .caption = W(caption)};
  if (member != nullptr) field.member = member;
  return field;
}

PageItem Field(const char* name, PageFeature feature = PageFeature::kNone) {
  return {.kind = ItemKind::kField, .name = name, .feature = feature};
}

PageItem Button(const char* name, PageFeature feature = PageFeature::kNone) {
  return {.kind = ItemKind::kButton, .name = name, .feature = feature};
}

PageItem Interval(const char* minutes, const char* seconds) {
  return {.kind = ItemKind::kInterval, .name = minutes, .second = seconds};
}

PageItem Text(const char* text, const char* name = "") {
  return {.kind = ItemKind::kText, .name = name, .text = W(text)};
}

PageItem Note(const char* text, const char* name = "") {
  return {.kind = ItemKind::kNote, .name = name, .text = W(text)};
}

PageDef Node(PageId id, int index, int depth, const char* title) {
  return {.id = id, .index = index, .depth = depth, .title = W(title)};
}

constexpr const char* kChooseNode = "Пожалуйста выберете подэлементы в дереве";

PageDef ChatPage() {
  const Samples& s = Sample();
  PageDef page = Node(PageId::kChat, 1, 1, "Настройки чата");
  page.fields = {
      {.name = "HostE", .caption = W("Имя компьютера:"), .sample = s.name,
       .effect = FieldEffect::kBotNickAndHost},
      {.name = "NickE", .caption = W("Ник бота:"), .sample = s.name,
       .effect = FieldEffect::kBotNickAndHost},
      {.name = "IntervalE", .kind = FieldKind::kValue,
       .caption = W("Интервал, выдачи приколов и анекдотов"), .sample = s.number},
      {.name = "FloodE", .kind = FieldKind::kValue,
       .caption = W("Предел для сообщения не считающегося флудом (кол. символов)"),
       .sample = s.number},
  };
  page.blocks = {{.kind = BlockKind::kForm,
                  .items = {Field("HostE"), Field("NickE"), Field("IntervalE"), Field("FloodE")}}};
  return page;
}

PageDef GeneralPage() {
  PageDef page = Node(PageId::kGeneral, 2, 1, "Общие");
  page.fields = {
      Check("EnableBotCB", "Включить бота"),
      Check("DefaultMsgCB", "Включить дефолтные входы"),
      Check("AutoStartCB", "Автозагрузка", &B::AutoStartCB),
      Check("StartMessageCB", "Стартовое сообщение"),
      Check("StartMsgPrivateCB", "Лично - Всем"),
      Check("AutoAforizmCB", "Автоматическая выдача анекдота"),
      Check("ShowBannedCB", "Кто забанен"),
      Check("BoltunCB", "Болтун"),
      Check("PogodaCB", "Автообновление погоды"),
      Check("InvisibleCB", "Невидимка"),
      Check("BirthDayCB", "Birth Day"),
      {.name = "ColorP", .kind = FieldKind::kColour, .caption = W("Цвет:"), },
      Check("OnErrorCB", "Включить"),
      Check("ShowErrorCB", "Показывать отчёт"),
  };
  // The report box can be shown only while reports are written.
  page.fields.back().enabledBy = "OnErrorCB";
  page.buttons = {{.name = "NickColB", .caption = W("Изменить &цвет"), .action = PageAction::kPickColour}};
  page.blocks = {
      {.kind = BlockKind::kColumn,
       .items = {Field("EnableBotCB"), Field("DefaultMsgCB"), Field("AutoStartCB"),
                 Field("StartMessageCB"), Text("Куда выдавать:"), Field("StartMsgPrivateCB"),
                 Field("AutoAforizmCB"), Field("ShowBannedCB"), Field("BoltunCB"),
                 Field("PogodaCB"), Field("InvisibleCB"), Field("BirthDayCB")}},
      {.kind = BlockKind::kRow, .items = {Field("ColorP"), Button("NickColB")}},
      {.kind = BlockKind::kColumn, .items = {Field("OnErrorCB"), Field("ShowErrorCB")},
       .title = W("Генератор ошибок")},
  };
  return page;
}

PageDef NetworkPage() {
  const Samples& s = Sample();
  PageDef page = Node(PageId::kNetwork, 4, 2, "Сетевые настройки");
  page.fields = {
      {.name = "PortE", .kind = FieldKind::kNumber, .caption = W("Порт:"), .sample = s.port,
       .check = FieldCheck::kNetwork},
      {.name = "NetAddrE", .caption = W("IP Multicast group address:"), .sample = s.address,
       .check = FieldCheck::kNetwork},
      // The TTL matters for multicast only.
      {.name = "TTLe", .kind = FieldKind::kNumber, .caption = W("Охват сети (IP TTL):"),
       .sample = s.port, .check = FieldCheck::kNetwork,
       .enabledBy = "MulticastModeCB", .captionName = "Label17"},
      {.name = "MsgSizeE", .kind = FieldKind::kNumber, .caption = W("Макс размер сообщения:"),
       .sample = s.port, .check = FieldCheck::kNetwork},
      {.name = "MulticastModeCB", .kind = FieldKind::kCheck, .caption = W("IP Multicast mode"),
       .effect = FieldEffect::kModeAddress, .captionOff = W("UDP Broadcasts")},
      {.name = "InterfacesCB", .kind = FieldKind::kChoice, .caption = W("Сетевой интерфейс:"),
       .member = &B::InterfacesCB, .sample = s.address, .effect = FieldEffect::kSendInterface},
  };
  page.blocks = {{.kind = BlockKind::kForm,
                  .items = {Field("PortE"), Field("NetAddrE"), Field("TTLe"), Field("MsgSizeE"),
                            Field("MulticastModeCB"), Field("InterfacesCB")}}};
  return page;
}

PageDef BanPage() {
  PageDef page = Node(PageId::kBans, 5, 1, "Бан лист");
  page.feature = PageFeature::kBans;
  page.fields = {
      {.name = "ListBan", .kind = FieldKind::kList},
      {.name = "HostBanLE", .caption = W("Имя компьютера:"), .sample = Sample().name},
      {.name = "DateTimePicker2", .kind = FieldKind::kDate, .caption = W("Дата:")},
      {.name = "TimebanME", .kind = FieldKind::kTime, .caption = W("Время:"), .sample = Sample().time},
  };
  page.buttons = {
      {.name = "AddBanB", .caption = W("До&бавить"), .action = PageAction::kAddBan},
      {.name = "DelBanB", .caption = W("Уда&лить"), .action = PageAction::kDeleteBan},
  };
  page.blocks = {
      {.kind = BlockKind::kColumn, .items = {Field("ListBan")}},
      {.kind = BlockKind::kForm,
       .items = {Field("HostBanLE"), Field("DateTimePicker2"), Field("TimebanME")}},
      {.kind = BlockKind::kRow, .items = {Button("AddBanB"), Button("DelBanB")}},
  };
  return page;
}

PageDef SubscriberPage() {
  constexpr const char* kHelp = "Для подробной информации смотрите файл help.txt";
  PageDef page = Node(PageId::kSubscribers, 6, 1, "Отложенные сообщения");
  page.feature = PageFeature::kSubscribers;
  page.placeholder = W(kHelp);
  page.fields = {{.name = "AbonLB", .kind = FieldKind::kList}};
  // The list and its buttons have always been hidden; the dialog is
  // reached from the chat's registration instead.
  page.buttons = {
      {.name = "AddAbonB", .caption = W("Добавить"), .action = PageAction::kAddSubscriber},
      {.name = "DelAbonB", .caption = W("Удалить"), .action = PageAction::kDeleteSubscriber,
       .disabled = true},
  };
  page.blocks = {
      {.kind = BlockKind::kColumn,
       .items = {Field("AbonLB"), Button("AddAbonB"), Button("DelAbonB")},
       .name = "AbonPanel", .hidden = true},
      {.kind = BlockKind::kColumn, .items = {Text(kHelp)}},
  };
  return page;
}

PageDef ChatterboxPage() {
  PageDef page = Node(PageId::kChatterbox, 7, 1, "Болтун");
  page.feature = PageFeature::kChatterbox;
  page.fields = {{.name = "AQvle", .kind = FieldKind::kGrid, .columns = {W("Вопрос"), W("Ответ")}}};
  page.buttons = {
      {.name = "DelAQb", .caption = W("&Удалить"), .action = PageAction::kDeletePhrase},
      {.name = "AddAQb", .caption = W("&Добавить"), .action = PageAction::kAddPhrase},
      {.name = "Button1", .caption = "&Save", .action = PageAction::kSavePhrases},
  };
  page.blocks = {
      {.kind = BlockKind::kColumn,
       .items = {Note("Когда бот встретит слово Вопрос то пошлет заданный Ответ"), Field("AQvle")}},
      {.kind = BlockKind::kRow, .items = {Button("DelAQb"), Button("AddAQb"), Button("Button1")}},
  };
  return page;
}

PageDef WeatherPage() {
  const Samples& s = Sample();
  PageDef page = Node(PageId::kWeather, 8, 1, "Погода");
  page.feature = PageFeature::kTimed;
  page.fields = {
      {.name = "URLe", .caption = W("Адрес информера:"), .member = &B::URLe, .sample = s.url},
      {.name = "MinE", .kind = FieldKind::kNumber, .caption = W("Интервал обновления:"),
       .sample = s.minutes},
      {.name = "SecE", .kind = FieldKind::kNumber, .sample = s.minutes},
      {.name = "PogodaTimeL", .kind = FieldKind::kLabel, .caption = WeatherCountdownCaption()},
      {.name = "ContentRE", .kind = FieldKind::kView},
  };
  page.buttons = {
      {.name = "DownloadB", .caption = W("Скачат&ь..."), .action = PageAction::kDownloadWeather},
      {.name = "PausePogodaB", .caption = W("Па&уза"), .action = PageAction::kPauseWeather},
      {.name = "GoPogodaB", .caption = W("Продол&жить"), .action = PageAction::kContinueWeather},
      {.name = "PogodaStartB", .caption = "Start", .action = PageAction::kStartWeather,
       .hidden = true},
  };
  page.blocks = {
      {.kind = BlockKind::kForm,
       .items = {Field("URLe"), Interval("MinE", "SecE"), Field("PogodaTimeL")}},
      {.kind = BlockKind::kColumn, .items = {Field("ContentRE")}},
      {.kind = BlockKind::kRow,
       .items = {Button("DownloadB"), Button("PausePogodaB"), Button("GoPogodaB"),
                 Button("PogodaStartB")}},
  };
  return page;
}

PageDef WeatherSettingsPage() {
  const Samples& s = Sample();
  PageDef page = Node(PageId::kWeatherSettings, 9, 2, "Настройка погоды");
  page.feature = PageFeature::kTimed;
  page.fields = {
      {.name = "edUsername", .caption = W("Имя пользователя:"), .sample = s.name},
      {.name = "edPassword", .kind = FieldKind::kPassword, .caption = W("Пароль:"),
       .sample = s.name},
      {.name = "edProxyServer", .caption = W("Прокси-сервер:"), .sample = s.server},
      {.name = "edProxyPort", .caption = W("Порт прокси:"), .sample = s.port},
  };
  // others.ini has always held the password as plain text: the page says so.
  page.blocks = {
      {.kind = BlockKind::kForm,
       .items = {Field("edUsername"), Field("edPassword"),
                 Note("Пароль хранится в others.ini открытым текстом: "
                      "не используйте здесь пароль, который нужен где-то ещё.",
                      "PasswordNoteL")},
       .title = " Authentication "},
      {.kind = BlockKind::kForm, .items = {Field("edProxyServer"), Field("edProxyPort")},
       .title = " Use Proxy "},
  };
  return page;
}

PageDef AdminsPage() {
  PageDef page = Node(PageId::kAdmins, 10, 1, "Администраторы");
  page.fields = {{.name = "ADMvle", .kind = FieldKind::kGrid, .columns = {"Nick", "Comp Name"}}};
  page.buttons = {
      {.name = "AddADMB", .caption = "&Add", .action = PageAction::kAddAdmin},
      {.name = "RemoveADMB", .caption = "&Remove", .action = PageAction::kRemoveAdmin},
  };
  page.blocks = {
      {.kind = BlockKind::kColumn, .items = {Field("ADMvle")}},
      {.kind = BlockKind::kRow, .items = {Button("AddADMB"), Button("RemoveADMB")}},
  };
  return page;
}

PageDef BirthdayPage() {
  PageDef page = Node(PageId::kBirthdays, 11, 1, "Birth Day");
  page.feature = PageFeature::kBirthdays;
  page.buttons = {{.name = "ShowBDB", .caption = W("Пока&зать"), .action = PageAction::kShowBirthdays}};
  page.blocks = {{.kind = BlockKind::kRow, .items = {Button("ShowBDB")}}};
  return page;
}

PageDef AnecdotePage() {
  const Samples& s = Sample();
  PageDef page = Node(PageId::kAnecdote, 12, 1, "Анекдот");
  page.fields = {
      {.name = "AnekMinE", .kind = FieldKind::kNumber, .caption = W("Интервал выдачи анекдота:"),
       .sample = s.minutes},
      {.name = "AnekSekE", .kind = FieldKind::kNumber, .sample = s.minutes},
      {.name = "AnecChannelE", .caption = W("Канал:"), .sample = s.name},
      Check("ShowNameChanCB", "Показывать названия канала в #Main"),
      {.name = "Label49", .kind = FieldKind::kLabel, .caption = AnecdoteCountdownCaption()},
  };
  page.buttons = {{.name = "RestartAnekB", .caption = "Start", .action = PageAction::kStartAnecdote,
                   .hidden = true}};
  page.blocks = {{.kind = BlockKind::kForm,
                  .items = {Interval("AnekMinE", "AnekSekE"), Field("AnecChannelE"),
                            Field("ShowNameChanCB"), Field("Label49", PageFeature::kTimed),
                            Button("RestartAnekB", PageFeature::kTimed)}}};
  return page;
}

PageDef QuizPage() {
  PageDef page = Node(PageId::kQuiz, 13, 1, "Викторина");
  page.fields = {
      {.name = "NameChanVicE", .caption = W("Название канала викторины"), .sample = Sample().name},
      Check("PocazNameChanCB", "Показать название канала в чате"),
  };
  page.blocks = {{.kind = BlockKind::kForm, .items = {Field("NameChanVicE"), Field("PocazNameChanCB")}}};
  return page;
}

PageDef LogFilePage() {
  PageDef page = Node(PageId::kLogFile, 14, 1, "Проверка лог файла");
  page.fields = {
      {.name = "CheckLogFileSizeE", .kind = FieldKind::kCheckedNumber,
       .caption = W("Если лог файл больше"), .sample = Sample().number, .check = FieldCheck::kWholeNumber},
      Check("CheckLogFileSizeCB", "Проверять"),
  };
  page.blocks = {
      {.kind = BlockKind::kRow, .items = {Field("CheckLogFileSizeE"), Text("байт,")}},
      {.kind = BlockKind::kColumn,
       .items = {Text("тогда очистить и перезапесать."), Text("Проверка происходит по событию в чате"),
                 Field("CheckLogFileSizeCB")}},
  };
  return page;
}

PageDef TextPage(PageId id, int index, int depth, const char* title) {
  PageDef page = Node(id, index, depth, title);
  page.blocks = {{.kind = BlockKind::kColumn, .items = {Note(kChooseNode)}}};
  return page;
}

// A field shows the record member of its setting's row (settings_table.h);
// only the fields no INI key holds name their member themselves.
std::vector<PageDef> WithMembers(std::vector<PageDef> pages) {
  for (PageDef& page : pages) {
    for (FieldDef& field : page.fields) {
      if (!std::holds_alternative<std::monostate>(field.member)) continue;
      const SettingRow* row = SettingOfField(field.name);
      if (row == nullptr) continue;
      std::visit(
          [&field](auto member) {
            if constexpr (!std::is_same_v<decltype(member), std::monostate>) field.member = member;
          },
          row->member);
    }
  }
  return pages;
}

}  // namespace

const std::vector<PageDef>& SettingsPageDefs() {
  static const std::vector<PageDef> pages = WithMembers({
      TextPage(PageId::kRoot, 0, 0, "Настройки"), ChatPage(),      GeneralPage(),
      TextPage(PageId::kLink, 3, 1, "Связь"),     NetworkPage(),   BanPage(),
      SubscriberPage(),            ChatterboxPage(), WeatherPage(),
      WeatherSettingsPage(),       AdminsPage(),    BirthdayPage(),
      AnecdotePage(),              QuizPage(),      LogFilePage(),
  });
  return pages;
}

int PageIndex(PageId id) {
  const std::vector<PageDef>& pages = SettingsPageDefs();
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (pages[i].id == id) return static_cast<int>(i);
  }
  return -1;
}

const PageDef& SettingsPage(PageId id) {
  const int index = PageIndex(id);
  // Every PageId but kNone names a page; kNone is the first page's caller error.
  return SettingsPageDefs()[static_cast<std::size_t>(index < 0 ? 0 : index)];
}

const std::vector<ButtonDef>& SettingsButtonDefs() {
  static const std::vector<ButtonDef> buttons = {
      {.name = "SaveCfgB", .caption = W("&Сохранить"), .action = PageAction::kSaveSettings},
      {.name = "LoadCfgB", .caption = W("&Отмена"), .action = PageAction::kCancelSettings},
  };
  return buttons;
}

const PageDef& SubscriberDialogDef() {
  static const PageDef dialog = [] {
    PageDef d{.index = -1, .title = W("Добавление абонента"), .name = "AddNewF"};
    d.fields = {
        {.name = "UserE", .caption = "User:", .sample = Sample().name},
        {.name = "PasswordE", .kind = FieldKind::kPassword, .caption = "Password:",
         .sample = Sample().name},
    };
    d.buttons = {
        {.name = "OkB", .caption = "Ok", .action = PageAction::kAcceptDialog, .isDefault = true},
        {.name = "CancelB", .caption = "Cancel", .action = PageAction::kCancelDialog},
    };
    d.blocks = {
        {.kind = BlockKind::kForm, .items = {Field("UserE"), Field("PasswordE")}},
        {.kind = BlockKind::kButtonBar, .items = {Button("OkB"), Button("CancelB")}},
    };
    return d;
  }();
  return dialog;
}

const PageDef& BirthdayEditorDef() {
  static const PageDef editor = [] {
    PageDef d{.index = -1, .title = "Birth Day", .name = "BirthDayF"};
    d.fields = {{.name = "BDListView", .kind = FieldKind::kGrid,
                 .columns = {"#", "Group", "Name", "Birth Day"}}};
    d.buttons = {
        {.name = "AddButton", .caption = "Add", .action = PageAction::kAddBirthday},
        {.name = "DeleteButton", .caption = "Delete", .action = PageAction::kDeleteBirthday},
        {.name = "RenameButton", .caption = "Rename", .action = PageAction::kRenameBirthday},
        {.name = "SaveButton", .caption = "Save", .action = PageAction::kSaveBirthdays},
        {.name = "ExitButton", .caption = "Exit", .action = PageAction::kCloseBirthdays},
    };
    d.blocks = {
        {.kind = BlockKind::kColumn, .items = {Field("BDListView")}},
        {.kind = BlockKind::kRow,
         .items = {Button("AddButton"), Button("DeleteButton"), Button("RenameButton"),
                   Button("SaveButton"), Button("ExitButton")}},
    };
    return d;
  }();
  return editor;
}

const PageDef& BirthdayPanelDef() {
  static const PageDef panel = [] {
    const Samples& s = Sample();
    PageDef d{.index = -1, .name = "BDAddPanel"};
    d.fields = {
        {.name = "NameEdit", .caption = "Name:", .sample = s.name},
        {.name = "GroupEdit", .caption = "Group:", .sample = s.name},
        {.name = "DayEdit", .caption = "Day:", .sample = s.minutes},
        {.name = "MonthEdit", .caption = "Month:", .sample = s.minutes},
        {.name = "YearEdit", .caption = "Year:", .sample = s.minutes},
    };
    d.buttons = {
        {.name = "OKAddButton", .caption = "OK", .action = PageAction::kAcceptBirthday},
        {.name = "CancelAddButton", .caption = "Cancel", .action = PageAction::kCancelBirthday},
    };
    d.blocks = {{.kind = BlockKind::kForm,
                 .items = {Field("NameEdit"), Field("GroupEdit"), Field("DayEdit"),
                           Field("MonthEdit"), Field("YearEdit"), Button("OKAddButton"),
                           Button("CancelAddButton")}}};
    return d;
  }();
  return panel;
}

const std::string& MinutesUnit() {
  static const std::string unit = W("мин.");
  return unit;
}

const std::string& SecondsUnit() {
  static const std::string unit = W("сек.");
  return unit;
}

const FieldDef* FindField(const PageDef& page, const std::string& name) {
  for (const FieldDef& field : page.fields) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

const ButtonDef* FindButton(const PageDef& page, const std::string& name) {
  for (const ButtonDef& button : page.buttons) {
    if (button.name == name) return &button;
  }
  return nullptr;
}

const FieldDef* FindField(const std::string& name) {
  for (const PageDef& page : SettingsPageDefs()) {
    if (const FieldDef* field = FindField(page, name)) return field;
  }
  return nullptr;
}

const ButtonDef* FindButton(const std::string& name) {
  for (const PageDef& page : SettingsPageDefs()) {
    if (const ButtonDef* button = FindButton(page, name)) return button;
  }
  for (const ButtonDef& button : SettingsButtonDefs()) {
    if (button.name == name) return &button;
  }
  return nullptr;
}

}  // namespace pelmo
