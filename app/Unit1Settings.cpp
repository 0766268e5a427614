// The settings file: every choice of both pages saved to one record and restored.
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTabWidget>

#include "app/ExportPage.h"
#include "app/ImportPage.h"
#include "app/Unit1.h"
#include "settings/record.h"
#include "ui_Unit1.h"

namespace {

constexpr const char* kSettingsFilter = "Marrowby settings (*.mwb);;All files (*)";
constexpr const char* kCannotOpen = "Unable to open settings file.";

// The folder the settings dialogs start in: that of the last settings file, else the
// user's documents folder.
std::string startFolder(const QString& last) {
  if (!last.isEmpty()) return last.toStdString();
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
}

}  // namespace

void TForm1::Save1Click() {
  settings::SettingsRecord r;
  r.page = ui->TabbedNotebook1->currentIndex();
  exportPage_->saveSettings(r);
  importPage_->saveSettings(r);

  platform::FileDialogOptions saveDialog1;
  saveDialog1.title = "Save Settings";
  saveDialog1.defaultSuffix = "mwb";
  saveDialog1.filter = kSettingsFilter;
  saveDialog1.initialPath = startFolder(settingsFolder_);
  auto path = dialogs_.saveFile(saveDialog1);
  if (!path) return;
  QFileInfo target(QString::fromStdString(*path));
  if (target.exists() && !dialogs_.ask(platform::MessageKind::Warning,
                                       *path + " already exists.\nDo you want to replace it?")) {
    return;
  }
  try {
    // In one step: a save that fails or is killed leaves an existing file as it was.
    settings::saveFile(*path, r);
  } catch (const std::exception& e) {
    dialogs_.message(platform::MessageKind::Error,
                     "Unable to save settings file.\n\n" + *path + ": " + e.what());
    return;
  }
  settingsFolder_ = target.absolutePath();
}

void TForm1::Open1Click() {
  platform::FileDialogOptions openDialog;
  openDialog.title = "Open Settings";
  openDialog.defaultSuffix = "mwb";
  openDialog.filter = kSettingsFilter;
  openDialog.mustExist = true;
  openDialog.initialPath = startFolder(settingsFolder_);
  auto path = dialogs_.openFile(openDialog);
  if (!path) return;
  auto refuse = [&](const std::string& why) {
    dialogs_.message(platform::MessageKind::Error,
                     std::string(kCannotOpen) + "\n\n" + *path + " " + why);
  };
  QFileInfo info(QString::fromStdString(*path));
  if (info.isDir()) {
    refuse("is a folder, not a file.");
    return;
  }
  settings::SettingsRecord r;
  settings::LoadResult loaded = settings::loadFile(*path, r);
  switch (loaded.status) {
    case settings::LoadStatus::CannotOpen:
      refuse("could not be opened: " + loaded.reason + ".");
      return;
    case settings::LoadStatus::TooShort:
      refuse("is too short for a settings file: it holds " + std::to_string(loaded.size) +
             " of the " + std::to_string(settings::kRecordSize) + " bytes.");
      return;
    case settings::LoadStatus::WrongSignature:
      refuse("is not a Marrowby settings file.");
      return;
    case settings::LoadStatus::Ok:
      break;
  }
  settingsFolder_ = info.absolutePath();

  if (r.page == 0 || r.page == 1) ui->TabbedNotebook1->setCurrentIndex(r.page);
  exportPage_->restoreValues(r);
  importPage_->restoreValues(r);
  // The radio groups come last: their handlers see every other restored value.
  exportPage_->restoreGroups(r);
  importPage_->restoreGroups(r);
  // The choices the record has no room for, once the lists are rebuilt.
  exportPage_->restoreExtension(r);
  importPage_->restoreExtension(r);
  if (!loaded.problems.empty()) {
    std::string text = "Some settings in " + *path +
                       " could not be read and keep their "
                       "present values:";
    for (const std::string& p : loaded.problems) text += "\n- " + p;
    dialogs_.message(platform::MessageKind::Warning, text);
  }
}
