#include "ui/page_layout.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace pelmo {

namespace {

// QLineEdit keeps this many pixels free on each side of its text, and one
// for the cursor after it.
constexpr int kLineEditMargin = 2;
constexpr int kCursorWidth = 1;

}  // namespace

void FitWidth(QLineEdit* edit, const QString& text) {
  QStyleOptionFrame option;
  option.initFrom(edit);
  option.lineWidth = edit->hasFrame()
                         ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                         : 0;
  option.state |= QStyle::State_Sunken;
  const QMargins margins = edit->textMargins();
  const int inner = edit->fontMetrics().horizontalAdvance(text) + 2 * kLineEditMargin +
                    kCursorWidth + margins.left() + margins.right();
  const QSize size = edit->style()->sizeFromContents(
      QStyle::CT_LineEdit, &option, QSize(inner, edit->fontMetrics().height()), edit);
  if (edit->minimumWidth() < size.width()) edit->setMinimumWidth(size.width());
}

void FitWidth(QComboBox* combo, const QString& text) {
  // The combo box measures in widths of "X": enough for any digits.
  combo->setMinimumContentsLength(static_cast<int>(text.size()));
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

QFormLayout* NewForm() {
  auto* form = new QFormLayout;
  form->setRowWrapPolicy(QFormLayout::WrapLongRows);
  form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  return form;
}

QWidget* MinutesAndSeconds(QLineEdit* minutes, QLineEdit* seconds, const QString& minutesUnit,
                           const QString& secondsUnit) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  for (QLineEdit* field : {minutes, seconds}) field->setMaximumWidth(field->minimumWidth() * 2);
  layout->addWidget(minutes);
  layout->addWidget(new QLabel(minutesUnit));
  layout->addWidget(seconds);
  layout->addWidget(new QLabel(secondsUnit));
  layout->addStretch(1);
  return row;
}

}  // namespace pelmo
