#include "window_fixture.h"

#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QWidget>

namespace pelmo {

WindowFixture::WindowFixture(BotFixtureOptions options) : bot(std::move(options)) {
  window = std::make_unique<MainWindow>(bot.bot().Faces(), bot.loop);
  WindowPlatform& p = window->platform;
  p.askText = [this](const QString& title, const QString& prompt) -> std::optional<QString> {
    questions << title + "|" + prompt;
    if (textAnswers.empty()) return std::nullopt;
    const bool given = textAnswers.front().has_value();
    const QString text = given ? *textAnswers.front() : QString();
    textAnswers.pop_front();
    if (!given) return std::nullopt;
    return text;
  };
  p.askColor = [this](const QColor&) -> std::optional<QColor> {
    if (colorAnswers.empty()) return std::nullopt;
    std::optional<QColor> answer = colorAnswers.front();
    colorAnswers.pop_front();
    return answer;
  };
  p.askYesNo = [this](const QString& title, const QString&) {
    questions << title;
    return false;
  };
  p.warn = [this](const QString&, const QString& text) { warnings << text; };
  p.askAction = [this](const QString& title, const QString& text, const QString& accept,
                       const QString& reject) {
    questions << title + "|" + text + "|" + accept + "|" + reject;
    const bool take = !actionAnswers.empty() && actionAnswers.front();
    if (!actionAnswers.empty()) actionAnswers.pop_front();
    return take;
  };
  p.openUrl = [this](const QUrl& url, std::function<void()> failed) {
    opened.push_back(url);
    if (!browserWorks) failed();
  };
  p.trayAvailable = [this] { return trayAvailable; };
  p.reportError = [this](const std::exception& e) { errors.push_back(e.what()); };
}

WindowFixture::~WindowFixture() {
  window.reset();
  Pump();
}

void WindowFixture::Pump() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

void TypeText(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(widget, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

bool SaveScreenshot(QWidget* widget, const std::string& name) {
  const char* dir = std::getenv("PELMO_SCREENSHOT_DIR");
  const QString folder = dir != nullptr ? QString::fromUtf8(dir) : QDir::tempPath() + "/pelmo-screenshots";
  QDir().mkpath(folder);
  return widget->grab().save(folder + "/" + QString::fromStdString(name) + ".png");
}

}  // namespace pelmo
