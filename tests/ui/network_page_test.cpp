// The network page on a machine with a LAN card: in a network namespace
// holding 192.0.2.1 and loopback, the window program on a folder whose ip
// is 127.0.0.1 offers both addresses, joins the group on loopback only,
// and after the operator picks 192.0.2.1 and starts again joins there.
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <QAction>
#include <QAbstractItemView>
#include <QComboBox>
#include <QTabWidget>

#include <gtest/gtest.h>

#include "base/date_time.h"
#include "core/bot_faces.h"
#include "fakes/bot_fixture.h"
#include "fakes/netns.h"
#include "fakes/temp_dir.h"
#include "program/program.h"
#include "ui/log_view.h"
#include "ui/main_window.h"
#include "ui/qt_event_loop.h"
#include "ui/settings_pages.h"
#include "window_fixture.h"

namespace pelmo {
namespace {

// The main thread in a namespace while it lives (Qt's widgets stay on the
// main thread; the sockets the bot opens there stay in the namespace).
class MainThreadIn {
 public:
  explicit MainThreadIn(const std::string& name) {
    m_home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = ::open(("/var/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    m_entered = m_home >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0;
    if (target >= 0) ::close(target);
  }
  ~MainThreadIn() {
    if (m_entered) ::setns(m_home, CLONE_NEWNET);
    if (m_home >= 0) ::close(m_home);
  }
  bool Entered() const { return m_entered; }

 private:
  int m_home = -1;
  bool m_entered = false;
};

QStringList Items(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

TEST(NetworkPage, OffersEveryAddressOfTheMachineAndJoinsWhereTheBotIs) {
  NetnsPair ns;
  if (!ns.Ready()) GTEST_SKIP() << ns.Why();
  TempDir dir;
  dir.WriteFile("Net.ini", "[net]\r\nip=127.0.0.1\r\nport=" + std::to_string(FindFreeLoopbackPort()) +
                               "\r\nnetaddr=234.0.0.1\r\n[socket]\r\nMultiCast=1\r\nREUSEADDR=1\r\n");
  MainThreadIn inside(ns.Name(NetnsPair::kA));
  ASSERT_TRUE(inside.Entered());
  {
    SystemClock clock;
    QtEventLoop loop;
    Program program(loop, clock, dir.Path(), "pelmobot-gui");
    MainWindow window(program.Faces(), loop);
    window.platform.warn = [](const QString&, const QString& text) {
      ADD_FAILURE() << text.toStdString();
    };
    window.FormCreate();
    ASSERT_TRUE(program.Faces().life.Running());
    const QString firstStart = window.Log()->toPlainText();
    EXPECT_TRUE(firstStart.contains("SetSockOpt(IP_ADD_MEMBERSHIP): 127.0.0.1"));
    EXPECT_FALSE(firstStart.contains("SetSockOpt(IP_ADD_MEMBERSHIP): 192.0.2.1"));

    window.Tabs()->setCurrentIndex(1);
    window.Settings()->SelectPage(PageId::kNetwork);
    auto* interfaces = window.findChild<QComboBox*>("InterfacesCB");
    ASSERT_NE(interfaces, nullptr);
    EXPECT_EQ(Items(interfaces), QStringList({"192.0.2.1", "127.0.0.1"}));
    EXPECT_EQ(interfaces->currentText(), "127.0.0.1");
    window.show();
    EXPECT_TRUE(SaveScreenshot(&window, "page04_network_lan"));
    interfaces->showPopup();
    WindowFixture::Pump();
    EXPECT_TRUE(SaveScreenshot(interfaces->view()->window(), "page04_network_lan_list"));
    interfaces->hidePopup();

    // Onto the LAN: picked, stopped, started.
    interfaces->setCurrentIndex(0);
    emit interfaces->activated(0);
    window.findChild<QAction*>("StopTb")->trigger();
    window.ClearLogTBClick();
    window.findChild<QAction*>("StartTB")->trigger();
    ASSERT_TRUE(program.Faces().life.Running());
    const QString secondStart = window.Log()->toPlainText();
    EXPECT_TRUE(secondStart.contains("ip: 192.0.2.1")) << secondStart.toStdString();
    EXPECT_TRUE(secondStart.contains("SetSockOpt(IP_ADD_MEMBERSHIP): 192.0.2.1"));
    window.CloseProgram();
  }
}

}  // namespace
}  // namespace pelmo
