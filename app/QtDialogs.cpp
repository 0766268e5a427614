#include "app/QtDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

QString folderOf(const std::string& initialPath) {
  QFileInfo info(QString::fromStdString(initialPath));
  if (initialPath.empty()) return {};
  return info.isDir() ? info.absoluteFilePath() : info.absolutePath();
}

QFileDialog* makeDialog(QWidget* parent, const platform::FileDialogOptions& o) {
  auto* d = new QFileDialog(parent, QString::fromStdString(o.title), folderOf(o.initialPath));
  d->setDefaultSuffix(QString::fromStdString(o.defaultSuffix));
  d->setOption(QFileDialog::ReadOnly, false);
  if (!o.fileName.empty()) d->selectFile(QString::fromStdString(o.fileName));
  return d;
}

}  // namespace

void QtDialogs::message(platform::MessageKind kind, const std::string& text) {
  QMessageBox::Icon icon = kind == platform::MessageKind::Error     ? QMessageBox::Critical
                           : kind == platform::MessageKind::Warning ? QMessageBox::Warning
                                                                    : QMessageBox::Information;
  const char* caption = kind == platform::MessageKind::Error     ? "Error"
                        : kind == platform::MessageKind::Warning ? "Warning"
                                                                 : "Information";
  // Texts may break lines with CR LF; the box wants plain line feeds.
  QString shown =
      QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(icon, caption, shown, QMessageBox::Ok, parent_);
  box.exec();
}

std::optional<std::string> QtDialogs::openFile(const platform::FileDialogOptions& options) {
  std::unique_ptr<QFileDialog> d(makeDialog(parent_, options));
  d->setAcceptMode(QFileDialog::AcceptOpen);
  d->setFileMode(options.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return std::nullopt;
  return d->selectedFiles().first().toStdString();
}

std::optional<std::string> QtDialogs::saveFile(const platform::FileDialogOptions& options) {
  std::unique_ptr<QFileDialog> d(makeDialog(parent_, options));
  d->setAcceptMode(QFileDialog::AcceptSave);
  d->setFileMode(QFileDialog::AnyFile);
  d->setOption(QFileDialog::DontConfirmOverwrite);  // an existing file is replaced
  if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return std::nullopt;
  return d->selectedFiles().first().toStdString();
}
