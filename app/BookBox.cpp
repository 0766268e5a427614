#include "app/BookBox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

#include "app/PageHost.h"
#include "app/QtText.h"
#include "groupwise/gwapi.h"

namespace api = gw::api;

BookBox::BookBox(QComboBox* box, PageHost& host, bool withSystemBook,
                 std::function<void(const QString&)> load)
    : QObject(box),
      box_(box),
      host_(host),
      withSystemBook_(withSystemBook),
      load_(std::move(load)) {
  box_->setInsertPolicy(QComboBox::NoInsert);
  box_->installEventFilter(this);
  if (box_->lineEdit()) box_->lineEdit()->installEventFilter(this);
  connect(box_, &QComboBox::activated, this, [this] { host_.guarded([this] { commit(); }); });
}

void BookBox::populate() {
  gw::ObjectRef books = api::addressBooks(host_.account());
  QStringList names;
  for (int i = 1, n = api::count(books); i <= n; ++i) {
    std::u16string name = api::name(api::item(books, i));
    // The system book is never an import target.
    if (withSystemBook_ || name != api::kSystemBookName) names << fromWide(name);
  }
  QString keep = box_->currentText();
  QSignalBlocker block(box_);
  box_->clear();
  box_->addItems(names);
  QString shown = names.isEmpty() ? QString() : names.back();
  for (const QString& n : names) {
    if (!keep.isEmpty() && n.compare(keep, Qt::CaseInsensitive) == 0) shown = n;
  }
  box_->setCurrentIndex(box_->findText(shown, Qt::MatchExactly));
  box_->setEditText(shown);
}

QStringList BookBox::fieldsOf(const QString& name, gw::ObjectRef& books, gw::ObjectRef& book) {
  gw::ObjectRef all = api::addressBooks(host_.account());
  gw::ObjectRef found = api::itemByName(all, toWide(name));
  gw::ObjectRef defs = api::fieldDefinitions(found);
  QStringList fields;
  for (int i = 1, n = api::count(defs); i <= n; ++i) {
    fields << fromWide(api::name(api::item(defs, i)));
  }
  books = all;
  book = found;
  return fields;
}

bool BookBox::accountChanged(gw::ObjectRef& books, gw::ObjectRef& book,
                             const std::function<void()>& clear) {
  QString before = loaded_;
  populate();
  QString shown = box_->currentText();
  if (!before.isEmpty() && shown == before) {
    books = api::addressBooks(host_.account());
    book = api::itemByName(books, toWide(shown));
    setLoaded(shown);
    return true;
  }
  if (shown.isEmpty()) {
    clear();
    setLoaded({});
  } else {
    load_(shown);
    setLoaded(shown);
  }
  return false;
}

void BookBox::loadShown() {
  if (box_->count() == 0) return;  // no book at all: nothing to load
  QString name = box_->currentText();
  load_(name);
  setLoaded(name);
}

void BookBox::setLoaded(const QString& name) {
  loaded_ = name;
  QSignalBlocker block(box_);
  box_->setEditText(name);
}

QString BookBox::match(const QString& text) const {
  for (int i = 0; i < box_->count(); ++i) {
    if (box_->itemText(i).compare(text, Qt::CaseInsensitive) == 0) return box_->itemText(i);
  }
  return {};
}

void BookBox::commit() {
  if (committing_) return;
  committing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{committing_};
  QString text = box_->currentText().trimmed();
  QString name = match(text);
  if (name.isEmpty()) {
    setLoaded(loaded_);
    if (text.isEmpty()) return;
    QStringList quoted;
    for (int i = 0; i < box_->count(); ++i) quoted << "\"" + box_->itemText(i) + "\"";
    std::string books = quoted.isEmpty()
                            ? std::string("There are no address books here.")
                            : "The address books here are " + quoted.join(", ").toStdString() + ".";
    host_.dialogs().message(platform::MessageKind::Error, "There is no address book named \"" +
                                                              text.toStdString() + "\". " + books);
    return;
  }
  if (name == loaded_) {
    setLoaded(name);
    return;
  }
  load_(name);
  setLoaded(name);
}

bool BookBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      host_.guarded([this] { commit(); });
      return true;
    }
  } else if (event->type() == QEvent::FocusOut) {
    auto reason = static_cast<QFocusEvent*>(event)->reason();
    // The box's own list taking the focus is no leaving.
    if (reason != Qt::PopupFocusReason && !box_->view()->isVisible()) {
      host_.guarded([this] { commit(); });
    }
  }
  return QObject::eventFilter(watched, event);
}
