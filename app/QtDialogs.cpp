#include "app/QtDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <memory>

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
  if (!o.filter.empty()) d->setNameFilters(QString::fromStdString(o.filter).split(";;"));
  if (!o.fileName.empty()) d->selectFile(QString::fromStdString(o.fileName));
  return d;
}

}  // namespace

namespace {

// A box of the given kind whose text is shown as plain text, never as markup: values
// from import files are shown in it.
std::unique_ptr<QMessageBox> makeBox(QWidget* parent, platform::MessageKind kind,
                                     const std::string& text,
                                     QMessageBox::StandardButtons buttons) {
  QMessageBox::Icon icon = kind == platform::MessageKind::Error     ? QMessageBox::Critical
                           : kind == platform::MessageKind::Warning ? QMessageBox::Warning
                                                                    : QMessageBox::Information;
  const char* caption = kind == platform::MessageKind::Error     ? "Error"
                        : kind == platform::MessageKind::Warning ? "Warning"
                                                                 : "Information";
  // Texts may break lines with CR LF; the box wants plain line feeds.
  QString shown =
      QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  auto box = std::make_unique<QMessageBox>(icon, caption, shown, buttons, parent);
  box->setTextFormat(Qt::PlainText);
  return box;
}

}  // namespace

void QtDialogs::message(platform::MessageKind kind, const std::string& text) {
  makeBox(parent_, kind, text, QMessageBox::Ok)->exec();
}

bool QtDialogs::ask(platform::MessageKind kind, const std::string& text) {
  auto box = makeBox(parent_, kind, text, QMessageBox::Yes | QMessageBox::No);
  box->setDefaultButton(QMessageBox::No);
  return box->exec() == QMessageBox::Yes;
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
  // The caller asks before it replaces a file, in its own words.
  d->setOption(QFileDialog::DontConfirmOverwrite);
  if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return std::nullopt;
  return d->selectedFiles().first().toStdString();
}
