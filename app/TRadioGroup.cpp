#include "app/TRadioGroup.h"

#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent), layout_(new QGridLayout(this)) {
  layout_->setContentsMargins(8, 2, 6, 2);
  layout_->setHorizontalSpacing(8);
  layout_->setVerticalSpacing(0);
  group_.setExclusive(true);
  connect(&group_, &QButtonGroup::idToggled, this, &TRadioGroup::buttonToggled);
}

void TRadioGroup::setItems(const QStringList& items) {
  items_ = items;
  rebuild();
}

void TRadioGroup::setColumns(int columns) {
  columns_ = columns < 1 ? 1 : columns;
  rebuild();
}

QAbstractButton* TRadioGroup::button(int index) const {
  return group_.button(index);
}

void TRadioGroup::rebuild() {
  for (QAbstractButton* b : group_.buttons()) {
    group_.removeButton(b);
    delete b;
  }
  int rows = (static_cast<int>(items_.size()) + columns_ - 1) / columns_;
  for (int i = 0; i < items_.size(); ++i) {
    auto* b = new QRadioButton(items_[i], this);
    b->setObjectName(objectName() + "_" + QString::number(i));
    group_.addButton(b, i);
    layout_->addWidget(b, rows ? i % rows : 0, rows ? i / rows : 0);
  }
  if (index_ >= items_.size()) index_ = -1;
  if (index_ >= 0) {
    QSignalBlocker block(&group_);
    group_.button(index_)->setChecked(true);
  }
}

void TRadioGroup::setItemIndex(int index) {
  if (items_.isEmpty()) {
    // Still being built: the items come later and take up this index without a click.
    index_ = index;
    return;
  }
  if (index < -1 || index >= items_.size()) index = -1;
  if (index == index_) return;
  {
    QSignalBlocker block(&group_);
    if (index < 0) {
      // An exclusive group keeps one button checked; lift that to clear it.
      group_.setExclusive(false);
      if (QAbstractButton* b = group_.checkedButton()) b->setChecked(false);
      group_.setExclusive(true);
    } else {
      group_.button(index)->setChecked(true);
    }
  }
  index_ = index;
  emit clicked();
}

void TRadioGroup::buttonToggled(int id, bool checked) {
  if (!checked || id == index_) return;
  index_ = id;
  emit clicked();
}
