// The settings file: every choice of both pages saved to one record and restored.
#include <QListWidget>
#include <QSignalBlocker>
#include <QTabWidget>
#include <fstream>

#include "app/QtText.h"
#include "app/Unit1.h"
#include "platform/ansi.h"
#include "platform/atomicfile.h"
#include "platform/textfile.h"
#include "settings/record.h"
#include "ui_Unit1.h"

namespace {

std::int32_t selectedRow(const QListWidget* list) {
  int i = list->currentRow();
  return i >= 0 && list->item(i)->isSelected() ? i : -1;
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

void restoreText(QComboBox* box, const std::string& text) {
  QSignalBlocker block(box);
  box->setEditText(fromAnsi(text));
}

// Below -1 is none; past the last item is the last.
void restoreItem(TRadioGroup* group, std::int32_t index) {
  int last = static_cast<int>(group->items().size()) - 1;
  group->setItemIndex(index < -1 ? -1 : index > last ? last : index);
}

}  // namespace

void TForm1::Save1Click() {
  settings::SettingsRecord r;
  r.page = ui->TabbedNotebook1->currentIndex();
  r.abComboBox = toAnsi(ui->ABComboBox->currentText());
  r.cbQuoteReplace = ui->CBquotereplace->isChecked();
  r.cbTrailSpace = ui->CBtrailspace->isChecked();
  r.checkBox1 = ui->CheckBox1->isChecked();
  r.dateRangeCheckBox = ui->DateRangeCheckBox->isChecked();
  r.edit1 = toAnsi(ui->Edit1->text());
  r.edit2 = toAnsi(ui->Edit2->text());
  r.edit3 = toAnsi(ui->Edit3->text());
  r.ignoreFirstLine = ui->IgnoreFirstLineCB->isChecked();
  r.impABComboBox = toAnsi(ui->ImpABComboBox->currentText());
  r.impDateComboBox = toAnsi(ui->ImpDateComboBox->currentText());
  r.listBox1 = selectedRow(ui->ListBox1);
  r.listBox2 = selectedRow(ui->ListBox2);
  r.listBox3 = selectedRow(ui->ListBox3);
  r.listBox4 = selectedRow(ui->ListBox4);
  r.maskEdit1 = startText();
  r.maskEdit2 = stopText();
  r.radioGroup1 = ui->RadioGroup1->itemIndex();
  r.radioGroup2 = ui->RadioGroup2->itemIndex();
  r.radioGroup3 = ui->RadioGroup3->itemIndex();
  r.radioGroup4 = ui->RadioGroup4->itemIndex();
  r.radioGroup5 = ui->RadioGroup5->itemIndex();
  r.radioGroup6 = ui->RadioGroup6->itemIndex();
  r.timeRadioGroup = ui->TimeRadioGroup->itemIndex();

  platform::FileDialogOptions saveDialog1;
  saveDialog1.title = "Save Marrowby Settings";
  saveDialog1.defaultSuffix = "mwb";
  saveDialog1.initialPath = programDir.toStdString();
  auto path = dialogs_.saveFile(saveDialog1);
  if (!path) return;
  // In one step: a save that fails leaves an existing file as it was.
  platform::writeFileAtomically(*path, settings::encode(r));
}

void TForm1::Open1Click() {
  auto path = dialogs_.openFile(openDialog1);
  if (!path) return;
  openDialog1.fileName = *path;
  std::ifstream in(*path, std::ios::binary);
  if (!in) {
    dialogs_.message(platform::MessageKind::Error, "Unable to open settings file.");
    return;
  }
  std::string bytes(settings::kRecordSize, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  settings::SettingsRecord r;
  switch (settings::decode(bytes, r)) {
    case settings::DecodeResult::TooShort:
      throw platform::IoError("Read beyond end of file: " + *path + " holds " +
                              std::to_string(bytes.size()) + " of the " +
                              std::to_string(settings::kRecordSize) + " bytes of a settings file");
    case settings::DecodeResult::WrongSignature:
      dialogs_.message(platform::MessageKind::Error, "Unable to open settings file.");
      return;
    case settings::DecodeResult::Ok:
      break;
  }

  if (r.page == 0 || r.page == 1) ui->TabbedNotebook1->setCurrentIndex(r.page);
  restoreText(ui->ABComboBox, r.abComboBox);
  ui->CBquotereplace->setChecked(r.cbQuoteReplace);
  ui->CBtrailspace->setChecked(r.cbTrailSpace);
  ui->CheckBox1->setChecked(r.checkBox1);
  ui->DateRangeCheckBox->setChecked(r.dateRangeCheckBox);
  ui->Edit1->setText(fromAnsi(r.edit1));
  ui->Edit2->setText(fromAnsi(r.edit2));
  ui->Edit3->setText(fromAnsi(r.edit3));
  ui->IgnoreFirstLineCB->setChecked(r.ignoreFirstLine);
  restoreText(ui->ImpABComboBox, r.impABComboBox);
  restoreText(ui->ImpDateComboBox, r.impDateComboBox);
  restoreRow(ui->ListBox1, r.listBox1);
  restoreRow(ui->ListBox2, r.listBox2);
  restoreRow(ui->ListBox3, r.listBox3);
  restoreRow(ui->ListBox4, r.listBox4);
  ui->MaskEdit1->setText(fromAnsi(r.maskEdit1));
  ui->MaskEdit2->setText(fromAnsi(r.maskEdit2));
  // The radio groups come last: their handlers see every other restored value.
  restoreItem(ui->RadioGroup1, r.radioGroup1);
  restoreItem(ui->RadioGroup2, r.radioGroup2);
  restoreItem(ui->RadioGroup3, r.radioGroup3);
  restoreItem(ui->RadioGroup4, r.radioGroup4);
  restoreItem(ui->RadioGroup5, r.radioGroup5);
  restoreItem(ui->RadioGroup6, r.radioGroup6);
  restoreItem(ui->TimeRadioGroup, r.timeRadioGroup);
}
