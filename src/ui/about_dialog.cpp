#include "ui/about_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "pages/window_texts.h"
#include "ui/app_icon.h"
#include "ui/qt_text.h"

namespace pelmo {

namespace {

const QString kContacts = QStringLiteral(
    "Вопросы и предложения: <a href=\"mailto:support@pelmo-bot.example\">support@pelmo-bot.example</a><br>"
    "Страница проекта: <a href=\"https://pelmo-bot.example/\">https://pelmo-bot.example/</a>");

QLabel* Title(QWidget* parent) {
  auto* title = new QLabel(kAppTitle, parent);
  QFont font = title->font();
  font.setPointSize(font.pointSize() + 6);
  font.setBold(true);
  title->setFont(font);
  return title;
}

QLabel* Links(QWidget* parent) {
  auto* links = new QLabel(kContacts, parent);
  links->setTextFormat(Qt::RichText);
  links->setOpenExternalLinks(true);
  return links;
}

}  // namespace

QString AboutDescription() {
  return ToQ(CaptionText(WindowCaption::kAboutLine));
}

AboutPage::AboutPage(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(DrawAppIcon(96, true));
  layout->addWidget(icon);
  layout->addWidget(Title(this));
  auto* build = new QLabel(QStringLiteral("Сборка %1").arg(kBuildLabel), this);
  build->setObjectName("BuildL");
  layout->addWidget(build);
  auto* countRow = new QLabel(ToQ(CaptionText(WindowCaption::kStartCount)), this);
  m_count = new QLabel(this);
  m_count->setObjectName("CountStartL");
  auto* row = new QHBoxLayout;
  row->addWidget(countRow);
  row->addWidget(m_count);
  row->addStretch(1);
  layout->addLayout(row);
  auto* credits = new QLabel(ToQ(CaptionText(WindowCaption::kAboutCredits)), this);
  credits->setWordWrap(true);
  layout->addWidget(credits);
  layout->addWidget(Links(this));
  layout->addStretch(1);
}

void AboutPage::ShowStartCount(long long count) { m_count->setText(QString::number(count)); }

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("About_Form");
  setWindowTitle(QStringLiteral("О программе"));
  auto* layout = new QVBoxLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(DrawAppIcon(64, true));
  layout->addWidget(icon);
  layout->addWidget(Title(this));
  auto* credits = new QLabel(ToQ(CaptionText(WindowCaption::kAboutCredits)), this);
  credits->setWordWrap(true);
  layout->addWidget(credits);
  layout->addWidget(Links(this));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

}  // namespace pelmo
