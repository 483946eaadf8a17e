#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <functional>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "core/bot_faces.h"
#include "core/bot_settings.h"
#include "core/roster.h"
#include "pages/timed_model.h"
#include "pages/window_texts.h"
#include "services/install_services.h"
#include "ui/about_dialog.h"
#include "ui/app_icon.h"
#include "ui/ban_page.h"
#include "ui/help_file.h"
#include "ui/log_view.h"
#include "ui/qt_text.h"
#include "ui/settings_pages.h"
#include "ui/subscriber_page.h"

namespace pelmo {

namespace {

constexpr int kLogTab = 0;
constexpr int kSettingsTab = 1;

// The topic panel's label: text from the network, so plain text only; a
// click asks for a new topic.
class TopicLabel final : public QLabel {
 public:
  explicit TopicLabel(QWidget* parent) : QLabel(parent) {
    setObjectName("TopicL");
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setMinimumWidth(200);
  }
  std::function<void()> onClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QLabel::mouseReleaseEvent(event);
    if (onClick) onClick();
  }
};

}  // namespace

MainWindow::MainWindow(BotFaces bot, EventLoop& loop, QWidget* parent)
    : QMainWindow(parent), m_bot(bot), m_model(bot.life, bot.console, loop) {
  setObjectName("MainForm");
  setWindowTitle(kAppTitle);
  setWindowIcon(AppIcon(true));
  platform = DefaultWindowPlatform(this);
  BuildToolBar();
  BuildTabs();
  BuildStatusBar();
  BuildMenus();
  BuildTray();
  resize(820, 560);
  m_model.Attach(this);
}

MainWindow::~MainWindow() { m_model.Attach(nullptr); }

void MainWindow::OnTriggered(QAction* action, void (MainWindow::*handler)()) {
  connect(action, &QAction::triggered, this,
          [this, handler] { RunGuarded(platform, [this, handler] { (this->*handler)(); }); });
}

void MainWindow::BuildToolBar() {
  QToolBar* bar = addToolBar("ToolBar");
  bar->setObjectName("ToolBar1");
  bar->setMovable(false);
  struct Button {
    const char* name;
    ToolButton hint;
    QStyle::StandardPixmap icon;
    void (MainWindow::*handler)();
  };
  const Button buttons[] = {
      {"StartTB", ToolButton::kStart, QStyle::SP_MediaPlay, &MainWindow::StartTBClick},
      {"StopTb", ToolButton::kStop, QStyle::SP_MediaStop, &MainWindow::StopTBClick},
      {"ClearLogTB", ToolButton::kClearLog, QStyle::SP_DialogResetButton,
       &MainWindow::ClearLogTBClick},
      {nullptr, ToolButton::kStart, QStyle::SP_CustomBase, nullptr},
      {"RefreshUsrList", ToolButton::kRefreshUsers, QStyle::SP_BrowserReload,
       &MainWindow::RefreshUsrListClick},
  };
  for (const Button& button : buttons) {
    if (button.name == nullptr) {
      bar->addSeparator();
      continue;
    }
    const QString hint = ToQ(ToolButtonHint(button.hint));
    QAction* action = bar->addAction(style()->standardIcon(button.icon), hint);
    action->setObjectName(button.name);
    action->setToolTip(hint);
    OnTriggered(action, button.handler);
  }
  bar->addSeparator();
  auto* topic = new TopicLabel(bar);
  topic->setText(ToQ(CaptionText(WindowCaption::kNoTopic)));
  topic->onClick = [this] { RunGuarded(platform, [this] { TopicLClick(); }); };
  m_topic = topic;
  bar->addWidget(topic);
}

void MainWindow::BuildTabs() {
  m_tabs = new QTabWidget(this);
  m_tabs->setObjectName("PageControl1");

  auto* logPage = new QWidget;
  auto* logLayout = new QVBoxLayout(logPage);
  m_console = new QLineEdit(logPage);
  m_console->setObjectName("ConsoleInputE");
  connect(m_console, &QLineEdit::returnPressed, this,
          [this] { RunGuarded(platform, [this] { ConsoleInputEnter(); }); });
  logLayout->addWidget(m_console);
  auto* split = new QSplitter(logPage);
  m_log = new LogView(split);
  m_users = new QListWidget(split);
  m_users->setObjectName("UsrLB");
  connect(m_users, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    RunGuarded(platform, [this, item] { UsrLBClick(m_users->row(item)); });
  });
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 0);
  split->setSizes({600, 200});
  logLayout->addWidget(split, 1);
  m_tabs->addTab(logPage, ToQ(CaptionText(WindowCaption::kLogTab)));

  m_settings = new SettingsPages(m_bot.settings, m_bot.life, platform, this);
  m_tabs->addTab(m_settings, ToQ(CaptionText(WindowCaption::kSettingsTab)));
  m_about = new AboutPage(this);
  m_tabs->addTab(m_about, ToQ(CaptionText(WindowCaption::kAboutTab)));
  connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
    RunGuarded(platform, [this, index] {
      m_model.PageChanged();
      if (index == kSettingsTab) m_settings->Enter();
    });
  });
  setCentralWidget(m_tabs);
}

void MainWindow::BuildStatusBar() {
  const char* texts[] = {"Users:", "IP:", "", ""};
  const int widths[] = {125, 115, 50, 0};
  for (int i = 0; i < 4; ++i) {
    m_panels[i] = new QLabel(texts[i], this);
    m_panels[i]->setObjectName(QString("StatusPanel%1").arg(i));
    m_panels[i]->setTextFormat(Qt::PlainText);
    if (widths[i] > 0) m_panels[i]->setMinimumWidth(widths[i]);
    statusBar()->addWidget(m_panels[i], widths[i] > 0 ? 0 : 1);
  }
}

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(ToQ(CaptionText(WindowCaption::kFileMenu)));
  QAction* exit = file->addAction("&Exit");
  exit->setObjectName("ExitMM");
  OnTriggered(exit, &MainWindow::CloseProgram);
  QMenu* help = menuBar()->addMenu(ToQ(CaptionText(WindowCaption::kHelpMenu)));
  QAction* helpItem = help->addAction(ToQ(CaptionText(WindowCaption::kHelpItem)));
  helpItem->setObjectName("HelpMM");
  OnTriggered(helpItem, &MainWindow::HelpClick);
  QAction* about = help->addAction(ToQ(CaptionText(WindowCaption::kAboutItem)));
  about->setObjectName("AboutMM");
  OnTriggered(about, &MainWindow::AboutBoxClick);
}

void MainWindow::BuildTray() {
  m_tray = new QSystemTrayIcon(AppIcon(true), this);
  m_trayMenu = new QMenu(this);
  struct Item {
    const char* name;
    WindowCaption text;
    void (MainWindow::*handler)();
  };
  const Item items[] = {
      {"N6", WindowCaption::kStartItem, &MainWindow::N6Click},
      {"Stop_Bot", WindowCaption::kStopItem, &MainWindow::Stop_BotClick},
      {"ShowMM", WindowCaption::kShowItem, &MainWindow::ShowMMClick},
      {"HelpTM", WindowCaption::kTrayHelpItem, &MainWindow::HelpClick},
      {"AboutTM", WindowCaption::kTrayAboutItem, &MainWindow::AboutFormClick},
      {"ExitTM", WindowCaption::kExitItem, &MainWindow::CloseProgram},
  };
  for (const Item& item : items) {
    QAction* action = m_trayMenu->addAction(ToQ(CaptionText(item.text)));
    action->setObjectName(item.name);
    OnTriggered(action, item.handler);
  }
  m_tray->setContextMenu(m_trayMenu);
  connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick) RunGuarded(platform, [this] { ShowMMClick(); });
  });
}

void MainWindow::AddServicePages(InstalledServices& services) {
  auto* page = new BanPage(services.bans, m_bot.console.GetClock(), platform);
  m_settings->SetPage(PageId::kBans, page);
  m_onFormCreate.push_back([page] { page->Reset(); });
  m_settings->SetPage(PageId::kSubscribers, new SubscriberPage(services, m_bot.settings.Folder(), platform));
}

void MainWindow::ShowStarted() {
  m_settings->ShowSettings();
  for (const auto& step : m_onFormCreate) step();
  m_about->ShowStartCount(m_bot.settings.Settings().StartCount);
  m_console->clear();
}

void MainWindow::FormCreate() {
  m_bot.life.Open();
  ShowStarted();
  m_model.ProgramStarted();
}

void MainWindow::Note(const QString& text, std::uint32_t color) { m_model.Note(FromQ(text), color); }

void MainWindow::CloseProgram() { m_model.Close(); }

void MainWindow::StartTBClick() { m_model.Start(); }
void MainWindow::StopTBClick() { m_model.Stop(); }
void MainWindow::ClearLogTBClick() { m_model.ClearLog(); }
void MainWindow::RefreshUsrListClick() { m_model.RefreshUsers(); }

void MainWindow::TopicLClick() {
  if (!platform.askText) return;
  const std::optional<QString> answer = platform.askText(
      ToQ(CaptionText(WindowCaption::kTopicBoxTitle)), ToQ(CaptionText(WindowCaption::kTopicBoxPrompt)));
  if (answer) m_model.TopicAnswer(FromQ(*answer));
}

void MainWindow::ConsoleInputEnter() {
  if (m_model.ConsoleLine(FromQ(m_console->text()))) m_console->clear();
}

void MainWindow::UsrLBClick(int row) { m_model.SelectUser(row); }
void MainWindow::N6Click() { m_model.StartFromTray(); }
void MainWindow::Stop_BotClick() { m_model.StopFromTray(); }

void MainWindow::ShowMMClick() {
  m_tray->hide();
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void MainWindow::HelpClick() {
  const QString path = HelpFilePath(QCoreApplication::applicationDirPath());
  if (path.isEmpty()) {
    if (platform.warn) {
      platform.warn(kAppTitle, "Справка не найдена: рядом с программой нет help/index.html, "
                               "и в ../share/doc/pelmobot/help его тоже нет.");
    }
    return;
  }
  if (!platform.openUrl) return;
  platform.openUrl(QUrl::fromLocalFile(path), [this, path] {
    if (platform.warn) {
      platform.warn(kAppTitle, QString::fromStdString(HelpNotOpenedText(path.toStdString())));
    }
  });
}

void MainWindow::AboutBoxClick() {
  QMessageBox box(QMessageBox::NoIcon, kAppTitle, AboutDescription(), QMessageBox::Ok, this);
  box.setIconPixmap(DrawAppIcon(64, true));
  box.exec();
}

void MainWindow::AboutFormClick() {
  AboutDialog dialog(this);
  dialog.exec();
}

void MainWindow::SystemCommand(bool close) {
  m_model.WindowCommand(close, platform.trayAvailable && platform.trayAvailable());
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (m_closing) {
    event->accept();
    return;
  }
  event->ignore();
  RunGuarded(platform, [this] { SystemCommand(true); });
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || m_closing) return;
  const auto* change = static_cast<QWindowStateChangeEvent*>(event);
  if (isMinimized() && (change->oldState() & Qt::WindowMinimized) == 0) {
    // Decided after the desktop has finished minimising.
    QTimer::singleShot(0, this, [this] {
      if (isMinimized()) RunGuarded(platform, [this] { SystemCommand(false); });
    });
  }
}

void MainWindow::LineAdded(const WindowLine& line) {
  m_log->AppendLine(ToQ(line.prefix), ToQ(line.text), line.color);
}

void MainWindow::LinesCleared() { m_log->clear(); }

void MainWindow::UsersChanged() {
  m_users->clear();
  for (const std::string& user : m_model.Users()) m_users->addItem(ToQ(user));
  m_panels[0]->setText(ToQ(m_model.Panel(0)));
}

void MainWindow::PanelChanged(int panel) {
  m_panels[panel]->setText(ToQ(m_model.Panel(panel)));
  if (panel == 2) {
    m_panels[2]->setToolTip(Qt::convertFromPlainText(ToQ(m_model.Status())));
    TrayChanged();
  }
}

void MainWindow::TopicChanged() {
  const QString text = ToQ(m_model.Topic());
  m_topic->setText(text);
  m_topic->setToolTip(Qt::convertFromPlainText(text));
}

void MainWindow::TrayChanged() {
  m_tray->setIcon(AppIcon(m_model.Tray().green));
  m_tray->setToolTip(ToQ(m_model.Tray().tip));
}

void MainWindow::ShowBox(const std::string& text) {
  if (platform.warn) platform.warn(kAppTitle, ToQ(text));
}

void MainWindow::ShowLogPage() { m_tabs->setCurrentIndex(kLogTab); }
void MainWindow::FocusConsole() { m_console->setFocus(); }

void MainWindow::HideToTray() {
  TrayChanged();
  m_tray->show();
  setWindowState(windowState() & ~Qt::WindowMinimized);
  hide();
}

void MainWindow::Minimise() {
  if (!isMinimized()) showMinimized();
}

void MainWindow::Quit() {
  m_closing = true;
  m_tray->hide();
  hide();
  QCoreApplication::quit();
}

}  // namespace pelmo
