// A group box of radio buttons read by item position, 0 first; -1 means none. A change
// of item, by the user or from code, emits clicked(); setting the item already chosen
// emits nothing.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class QGridLayout;

class TRadioGroup : public QGroupBox {
  Q_OBJECT
  Q_PROPERTY(QStringList items READ items WRITE setItems)
  Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex)
  Q_PROPERTY(int columns READ columns WRITE setColumns)

 public:
  explicit TRadioGroup(QWidget* parent = nullptr);

  QStringList items() const { return items_; }
  void setItems(const QStringList& items);
  int itemIndex() const { return index_; }
  void setItemIndex(int index);
  int columns() const { return columns_; }
  void setColumns(int columns);
  // The button of one item, for tests and focus handling.
  QAbstractButton* button(int index) const;

 signals:
  void clicked();

 private:
  void rebuild();
  void buttonToggled(int id, bool checked);

  QStringList items_;
  int index_ = -1;
  int columns_ = 1;
  QButtonGroup group_;
  QGridLayout* layout_;
};
