#include "ui/settings_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/text_file.h"
#include "core/bot_control.h"
#include "transport/net.h"
#include "core/bot_settings.h"
#include "core/roster.h"
#include "ui/about_dialog.h"
#include "ui/admins_page.h"
#include "ui/page_layout.h"
#include "ui/qt_text.h"
#include "ui/window_platform.h"

namespace pelmo {

namespace {

const QString kChooseNode = QStringLiteral("Пожалуйста выберете подэлементы в дереве");

// The tree in its order: text and depth. Absolute indexes follow from it.
struct Node {
  const char* text;
  int depth;
};
constexpr Node kNodes[] = {
    {"Настройки", 0},          {"Настройки чата", 1},   {"Общие", 1},
    {"Связь", 1},              {"Сетевые настройки", 2}, {"Бан лист", 1},
    {"Отложенные сообщения", 1}, {"Болтун", 1},         {"Погода", 1},
    {"Настройка погоды", 2},   {"Администраторы", 1},   {"Birth Day", 1},
    {"Анекдот", 1},            {"Викторина", 1},        {"Проверка лог файла", 1},
};

// The field names a save can refuse, with their captions for the message.
struct FieldCaption {
  const char* name;
  const char* caption;
};
constexpr FieldCaption kFieldCaptions[] = {
    {"PortE", "Порт:"},
    {"TTLe", "Охват сети (IP TTL):"},
    {"MsgSizeE", "Макс размер сообщения:"},
    {"NetAddrE", "IP Multicast group address:"},
};

// A page's content; the heading above the stack names the page.
QWidget* PageOf(QLayout* content) {
  auto* page = new QWidget;
  auto* outer = new QVBoxLayout(page);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addLayout(content);
  outer->addStretch(1);
  return page;
}

}  // namespace

SettingsPages::SettingsPages(BotControl& bot, const WindowPlatform& platform, QWidget* parent)
    : QWidget(parent), m_bot(bot), m_platform(platform), m_binder(bot.Settings()) {
  m_tree = new QTreeWidget(this);
  m_tree->setObjectName("OptionsTV");
  m_tree->setHeaderHidden(true);
  m_tree->setItemsExpandable(false);
  m_tree->setRootIsDecorated(false);
  m_tree->setMinimumWidth(190);
  m_stack = new QStackedWidget(this);
  m_stack->setObjectName("Notebook");

  m_stack->addWidget(MakeTextPage(kChooseNode));
  m_stack->addWidget(MakeChatPage());
  m_stack->addWidget(MakeGeneralPage());
  m_stack->addWidget(MakeTextPage(kChooseNode));
  m_stack->addWidget(MakeNetworkPage());
  // Pages 5-11 belong to the services that own their data; until they are
  // installed the pages are empty.
  m_stack->addWidget(MakeTextPage(""));
  m_stack->addWidget(MakeTextPage("Для подробной информации смотрите файл help.txt"));
  m_stack->addWidget(MakeTextPage(""));
  m_stack->addWidget(MakeTextPage(""));
  m_stack->addWidget(MakeTextPage(""));
  auto* admins = new AdminsPage(bot.Settings(), platform);
  m_stack->addWidget(admins);
  m_binder.OnShow([admins] { admins->ShowAdmins(); });
  m_stack->addWidget(MakeTextPage(""));
  m_stack->addWidget(MakeAnecdotePage());
  m_stack->addWidget(MakeQuizPage());
  m_stack->addWidget(MakeLogFilePage());
  BuildTree();

  auto* save = new QPushButton("&Сохранить", this);
  save->setObjectName("SaveCfgB");
  auto* cancel = new QPushButton("&Отмена", this);
  cancel->setObjectName("LoadCfgB");
  connect(save, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { SaveCfgBClick(); }); });
  connect(cancel, &QPushButton::clicked, this, [this] { RunGuarded(m_platform, [this] { LoadCfgBClick(); }); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(save);
  buttons->addWidget(cancel);
  // The heading names the page as the tree does.
  m_heading = new QLabel(this);
  m_heading->setObjectName("PageTitleL");
  QFont font = m_heading->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.25);
  m_heading->setFont(font);
  auto* right = new QVBoxLayout;
  right->addWidget(m_heading);
  right->addWidget(m_stack, 1);
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(m_tree);
  layout->addLayout(right, 1);
}

void SettingsPages::BuildTree() {
  std::vector<QTreeWidgetItem*> parents;
  for (const Node& node : kNodes) {
    parents.resize(static_cast<std::size_t>(node.depth));
    auto* item = parents.empty() ? new QTreeWidgetItem(m_tree)
                                 : new QTreeWidgetItem(parents.back());
    item->setText(0, QString::fromUtf8(node.text));
    parents.push_back(item);
  }
  m_tree->expandAll();
  // Collapsing is refused: the tree stays fully expanded.
  connect(m_tree, &QTreeWidget::itemCollapsed, this,
          [this](QTreeWidgetItem* item) { m_tree->expandItem(item); });
  connect(m_tree, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { OnNodeSelected(item); });
}

QWidget* SettingsPages::MakeTextPage(const QString& text) {
  auto* layout = new QVBoxLayout;
  auto* label = new QLabel(text);
  label->setWordWrap(true);
  layout->addWidget(label);
  return PageOf(layout);
}

QWidget* SettingsPages::MakeChatPage() {
  QFormLayout* form = NewForm();
  QLineEdit* host = m_binder.Text(nullptr, "HostE", &BotSettings::HostE);
  QLineEdit* nick = m_binder.Text(nullptr, "NickE", &BotSettings::NickE);
  QLineEdit* interval = m_binder.Number(nullptr, "IntervalE", &BotSettings::IntervalE);
  QLineEdit* flood = m_binder.Number(nullptr, "FloodE", &BotSettings::FloodE);
  FitWidth(host, sample::kName);
  FitWidth(nick, sample::kName);
  FitWidth(interval, sample::kNumber);
  FitWidth(flood, sample::kNumber);
  // Nick and host are the bot's at once (cut to 255 bytes).
  for (QLineEdit* edit : {host, nick}) {
    connect(edit, &QLineEdit::textChanged, this, [this] { m_bot.ApplyNickAndHost(); });
  }
  form->addRow("Имя компьютера:", host);
  form->addRow("Ник бота:", nick);
  form->addRow("Интервал, выдачи приколов и анекдотов", interval);
  form->addRow("Предел для сообщения не считающегося флудом (кол. символов)", flood);
  return PageOf(form);
}

QWidget* SettingsPages::MakeGeneralPage() {
  auto* grid = new QVBoxLayout;
  QWidget* none = nullptr;
  grid->addWidget(m_binder.Check(none, "EnableBotCB", "Включить бота", &BotSettings::EnableBotCB));
  grid->addWidget(m_binder.Check(none, "DefaultMsgCB", "Включить дефолтные входы", &BotSettings::DefaultMsgCB));
  grid->addWidget(m_binder.Check(none, "AutoStartCB", "Автозагрузка", &BotSettings::AutoStartCB));
  grid->addWidget(m_binder.Check(none, "StartMessageCB", "Стартовое сообщение", &BotSettings::StartMessageCB));
  grid->addWidget(new QLabel("Куда выдавать:"));
  grid->addWidget(m_binder.Check(none, "StartMsgPrivateCB", "Лично - Всем", &BotSettings::StartMsgPrivateCB));
  grid->addWidget(m_binder.Check(none, "AutoAforizmCB", "Автоматическая выдача анекдота", &BotSettings::AutoAforizmCB));
  grid->addWidget(m_binder.Check(none, "ShowBannedCB", "Кто забанен", &BotSettings::ShowBannedCB));
  grid->addWidget(m_binder.Check(none, "BoltunCB", "Болтун", &BotSettings::BoltunCB));
  grid->addWidget(m_binder.Check(none, "PogodaCB", "Автообновление погоды", &BotSettings::PogodaCB));
  grid->addWidget(m_binder.Check(none, "InvisibleCB", "Невидимка", &BotSettings::InvisibleCB));
  grid->addWidget(m_binder.Check(none, "BirthDayCB", "Birth Day", &BotSettings::BirthDayCB));

  auto* colorRow = new QHBoxLayout;
  colorRow->addWidget(new QLabel("Цвет:"));
  m_colorP = new QFrame;
  m_colorP->setObjectName("ColorP");
  m_colorP->setFrameShape(QFrame::Box);
  m_colorP->setFixedSize(40, 20);
  m_colorP->setAutoFillBackground(true);
  colorRow->addWidget(m_colorP);
  auto* colorButton = new QPushButton("Изменить &цвет");
  colorButton->setObjectName("NickColB");
  connect(colorButton, &QPushButton::clicked, this,
          [this] { RunGuarded(m_platform, [this] { NickColBClick(); }); });
  colorRow->addWidget(colorButton);
  colorRow->addStretch(1);
  grid->addLayout(colorRow);
  m_binder.OnShow([this] { ShowColor(); });

  auto* errors = new QGroupBox("Генератор ошибок");
  auto* errorsLayout = new QVBoxLayout(errors);
  QCheckBox* onError = m_binder.Check(errors, "OnErrorCB", "Включить", &BotSettings::OnErrorCB);
  QCheckBox* showError = m_binder.Check(errors, "ShowErrorCB", "Показывать отчёт", &BotSettings::ShowErrorCB);
  errorsLayout->addWidget(onError);
  errorsLayout->addWidget(showError);
  // The report box can be shown only while reports are written.
  connect(onError, &QCheckBox::toggled, showError, &QWidget::setEnabled);
  m_binder.OnShow([onError, showError] { showError->setEnabled(onError->isChecked()); });
  grid->addWidget(errors);
  return PageOf(grid);
}

QWidget* SettingsPages::MakeNetworkPage() {
  QFormLayout* form = NewForm();
  // The check box first: loading it may put the stored address into
  // NetAddrE, which the record's address then replaces.
  QCheckBox* multicast = m_binder.Check(nullptr, "MulticastModeCB", "IP Multicast mode",
                                        &BotSettings::MulticastModeCB);
  QLineEdit* port = m_binder.NumberText(nullptr, "PortE", &BotSettings::PortE);
  QLineEdit* netAddr = m_binder.Text(nullptr, "NetAddrE", &BotSettings::NetAddrE);
  QLineEdit* ttl = m_binder.NumberText(nullptr, "TTLe", &BotSettings::TTLe);
  QLineEdit* msgSize = m_binder.NumberText(nullptr, "MsgSizeE", &BotSettings::MsgSizeE);
  m_ttlLabel = new QLabel("Охват сети (IP TTL):");
  m_ttlLabel->setObjectName("Label17");
  m_interfaces = new QComboBox;
  m_interfaces->setObjectName("InterfacesCB");
  FitWidth(port, sample::kPort);
  FitWidth(netAddr, sample::kAddress);
  FitWidth(ttl, sample::kPort);
  FitWidth(msgSize, sample::kPort);
  FitWidth(m_interfaces, sample::kAddress);

  form->addRow("Порт:", port);
  form->addRow("IP Multicast group address:", netAddr);
  form->addRow(m_ttlLabel, ttl);
  form->addRow("Макс размер сообщения:", msgSize);
  form->addRow(multicast);
  form->addRow("Сетевой интерфейс:", m_interfaces);

  connect(multicast, &QCheckBox::toggled, this, [this, multicast, ttl](bool on) {
    ttl->setEnabled(on);
    m_ttlLabel->setEnabled(on);
    multicast->setText(on ? "IP Multicast mode" : "UDP Broadcasts");
  });
  connect(multicast, &QCheckBox::clicked, this, [this](bool on) { MulticastModeCBClick(on); });
  m_binder.OnShow([multicast, ttl, this] {
    const bool on = multicast->isChecked();
    ttl->setEnabled(on);
    m_ttlLabel->setEnabled(on);
    multicast->setText(on ? "IP Multicast mode" : "UDP Broadcasts");
    ShowInterfaces();
  });
  connect(m_interfaces, &QComboBox::activated, this, [this](int index) {
    BotSettings& s = m_bot.Settings();
    if (index < 0 || index >= static_cast<int>(s.InterfacesCB.size())) return;
    s.InterfacesIndex = index;
    m_bot.SelectInterface(TextToAddress(s.InterfacesCB[static_cast<std::size_t>(index)]));
  });
  return PageOf(form);
}

QWidget* SettingsPages::MakeAnecdotePage() {
  QFormLayout* form = NewForm();
  m_anecdoteForm = form;
  form->addRow("Интервал выдачи анекдота:",
               MinutesAndSeconds(m_binder.NumberText(nullptr, "AnekMinE", &BotSettings::AnekMinE),
                                 m_binder.NumberText(nullptr, "AnekSekE", &BotSettings::AnekSekE)));
  QLineEdit* channel = m_binder.Text(nullptr, "AnecChannelE", &BotSettings::AnecChannelE);
  FitWidth(channel, sample::kName);
  form->addRow("Канал:", channel);
  form->addRow(m_binder.Check(nullptr, "ShowNameChanCB", "Показывать названия канала в #Main",
                              &BotSettings::ShowNameChanCB));
  return PageOf(form);
}

QWidget* SettingsPages::MakeQuizPage() {
  QFormLayout* form = NewForm();
  QLineEdit* channel = m_binder.Text(nullptr, "NameChanVicE", &BotSettings::NameChanVicE);
  FitWidth(channel, sample::kName);
  form->addRow("Название канала викторины", channel);
  form->addRow(m_binder.Check(nullptr, "PocazNameChanCB", "Показать название канала в чате",
                              &BotSettings::PocazNameChanCB));
  return PageOf(form);
}

QWidget* SettingsPages::MakeLogFilePage() {
  auto* layout = new QVBoxLayout;
  auto* row = new QHBoxLayout;
  QLineEdit* size = m_binder.CheckedNumber(nullptr, "CheckLogFileSizeE", &BotSettings::CheckLogFileSizeE);
  FitWidth(size, sample::kNumber);
  row->addWidget(new QLabel("Если лог файл больше"));
  row->addWidget(size);
  row->addWidget(new QLabel("байт,"));
  row->addStretch(1);
  layout->addLayout(row);
  layout->addWidget(new QLabel("тогда очистить и перезапесать."));
  layout->addWidget(new QLabel("Проверка происходит по событию в чате"));
  layout->addWidget(m_binder.Check(nullptr, "CheckLogFileSizeCB", "Проверять",
                                   &BotSettings::CheckLogFileSizeCB));
  return PageOf(layout);
}

void SettingsPages::ShowSettings() { m_binder.Show(); }

void SettingsPages::Enter() {
  m_tree->expandAll();
  // Back on the tab, the operator finds the page he left.
  if (m_tree->currentItem() == nullptr) m_tree->setCurrentItem(m_tree->topLevelItem(0));
  m_tree->setFocus();
}

void SettingsPages::SelectNode(int index) {
  int i = 0;
  for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it, ++i) {
    if (i == index) {
      m_tree->setCurrentItem(*it);
      return;
    }
  }
}

void SettingsPages::OnNodeSelected(QTreeWidgetItem* item) {
  int i = 0;
  for (QTreeWidgetItemIterator it(m_tree); *it != nullptr; ++it, ++i) {
    if (*it == item) {
      m_stack->setCurrentIndex(std::min(i, kPageCount - 1));
      m_heading->setText(item->text(0));
      return;
    }
  }
}

int SettingsPages::CurrentPage() const { return m_stack->currentIndex(); }

void SettingsPages::SetPage(int index, QWidget* page) {
  QWidget* old = m_stack->widget(index);
  const bool current = m_stack->currentIndex() == index;
  m_stack->insertWidget(index, page);
  m_stack->removeWidget(old);
  delete old;
  if (current) m_stack->setCurrentIndex(index);
}

QWidget* SettingsPages::Page(int index) const { return m_stack->widget(index); }

void SettingsPages::SaveCfgBClick() {
  QString caption;
  QLineEdit* field = m_binder.Unsound();
  if (field != nullptr) {
    caption = "Если лог файл больше";
  } else {
    const std::string name = m_bot.FirstUnsoundField();
    for (const FieldCaption& entry : kFieldCaptions) {
      if (name == entry.name) {
        caption = QString::fromUtf8(entry.caption);
        field = findChild<QLineEdit*>(entry.name);
      }
    }
  }
  if (field != nullptr) {
    if (m_platform.warn) {
      m_platform.warn(kAppTitle, "Неверное значение в поле \"" + caption +
                                     "\". Настройки не сохранены, бот не остановлен.");
    }
    field->setFocus();
    return;
  }
  const bool wasRunning = m_bot.Running();
  if (!m_bot.SaveSettingsClick()) throw FileError("Cannot write the settings files");
  ShowSettings();
  // The save takes a running bot off the chat: said where it cannot be
  // missed, with its start one click away.
  if (wasRunning && !m_bot.Running() && m_platform.askAction &&
      m_platform.askAction(kAppTitle,
                           "Настройки сохранены. Бот остановлен, чтобы они вступили в силу, "
                           "и сейчас не отвечает в чате.\n\nЗапустить бота снова?",
                           "&Запустить бота", "&Не запускать")) {
    m_bot.StartTBClick();
  }
}

void SettingsPages::LoadCfgBClick() {
  m_bot.LoadSettingsClick();
  ShowSettings();
}

void SettingsPages::NickColBClick() {
  if (!m_platform.askColor) return;
  const std::optional<QColor> color = m_platform.askColor(ToQColor(m_bot.Settings().ColorP));
  if (!color) return;
  m_bot.SaveColor(FromQColor(*color));
  ShowColor();
}

void SettingsPages::ShowColor() {
  QPalette palette = m_colorP->palette();
  palette.setColor(QPalette::Window, ToQColor(m_bot.Settings().ColorP));
  m_colorP->setPalette(palette);
}

void SettingsPages::MulticastModeCBClick(bool checked) {
  QLineEdit* netAddr = findChild<QLineEdit*>("NetAddrE");
  netAddr->setText(ToQ(m_bot.StoredSendAddress(checked)));
}

void SettingsPages::ShowInterfaces() {
  const BotSettings& s = m_bot.Settings();
  m_interfaces->clear();
  const QIcon icon = style()->standardIcon(QStyle::SP_DriveNetIcon);
  for (const std::string& address : s.InterfacesCB) m_interfaces->addItem(icon, ToQ(address));
  m_interfaces->setCurrentIndex(s.InterfacesIndex);
}

}  // namespace pelmo
