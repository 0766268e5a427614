#include "app/ListRows.h"

#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/QtText.h"
#include "app/TRadioGroup.h"

bool moveSelectedRow(QListWidget* list, int step) {
  int i = selectedRow(list);
  if (i < 0) return false;
  int j = i + step;
  if (j < 0 || j >= list->count()) return false;
  {
    QSignalBlocker block(list);
    QListWidgetItem* item = list->takeItem(i);
    list->insertItem(j, item);
    list->setCurrentRow(j);
  }
  emit list->itemSelectionChanged();
  return true;
}

int selectedRow(const QListWidget* list) {
  int i = list->currentRow();
  return i >= 0 && list->item(i)->isSelected() ? i : -1;
}

void clearRowSelection(QListWidget* list) {
  {
    QSignalBlocker block(list);
    list->clearSelection();
    list->setCurrentItem(nullptr, QItemSelectionModel::Clear);
  }
  emit list->itemSelectionChanged();
}

std::vector<std::string> listTexts(const QListWidget* list) {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(list->count()));
  for (int i = 0; i < list->count(); ++i) out.push_back(toAnsi(list->item(i)->text()));
  return out;
}

void pictureButton(QPushButton* b, const QString& glyph) {
  b->setText(glyph);
  QFont f = b->font();
  f.setPointSize(f.pointSize() + 8);
  b->setFont(f);
}

void restoreRow(QListWidget* list, std::int32_t row) {
  QSignalBlocker block(list);
  if (row >= 0 && row < list->count()) {
    list->setCurrentRow(row);
  } else {
    list->clearSelection();
    list->setCurrentRow(-1);
  }
}

void restoreItem(TRadioGroup* group, std::int32_t index) {
  int last = static_cast<int>(group->items().size()) - 1;
  group->setItemIndex(index < -1 ? -1 : index > last ? last : index);
}

std::optional<int> settingNumber(const std::map<std::string, std::string>& extension,
                                 const std::string& key) {
  auto it = extension.find(key);
  if (it == extension.end()) return std::nullopt;
  try {
    std::size_t used = 0;
    int n = std::stoi(it->second, &used);
    if (used == it->second.size()) return n;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}
