// The about texts: the about tab of the main window (title, build, start
// counter, credits, contacts) and the About window opened from the
// notification menu ("OK" closes it).
#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace pelmo {

inline constexpr const char* kAppTitle = "Pelmo_bot v 1.3";
inline constexpr const char* kBuildLabel = "268";

// The one-line description of the standard About box.
QString AboutDescription();

class AboutPage final : public QWidget {
 public:
  explicit AboutPage(QWidget* parent = nullptr);
  // "Количество запусков:" and the count read at start-up.
  void ShowStartCount(long long count);

 private:
  QLabel* m_count;
};

class AboutDialog final : public QDialog {
 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace pelmo
