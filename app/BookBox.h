// An editable address-book box that loads a book only when the user has chosen one:
// picked from the list, or typed and confirmed with Enter or by leaving the box, its
// name matching a book's (letter case ignored). Another name gets one message naming it
// and the books there are, and the box goes back to the book last loaded.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "groupwise/object.h"

class QComboBox;
class PageHost;

class BookBox : public QObject {
  Q_OBJECT

 public:
  // `load` loads the named book's fields into the page (through fieldsOf); it raises
  // when GroupWise refuses. Without `withSystemBook` the box lists personal books only.
  BookBox(QComboBox* box, PageHost& host, bool withSystemBook,
          std::function<void(const QString&)> load);

  // Lists the current account's books without loading any. The box keeps showing its
  // book when the account has it, else the last one (none when there is none).
  void populate();
  // The field names of the named book, which becomes `book` (of `books`).
  QStringList fieldsOf(const QString& name, gw::ObjectRef& books, gw::ObjectRef& book);
  // After a change of account: lists the books again; the book shown stays loaded, its
  // objects taken from the new account, when the account has it (true: the page's lists
  // stay as they are); otherwise the book now shown is loaded. `clear` empties the
  // page's field list when there is no book at all.
  bool accountChanged(gw::ObjectRef& books, gw::ObjectRef& book,
                      const std::function<void()>& clear);
  // Loads the book the box shows, if any.
  void loadShown();
  // The name of the book whose fields are loaded; empty before the first load.
  const QString& loaded() const { return loaded_; }
  void setLoaded(const QString& name);
  // Takes up what the box shows: loads the book it names, or says that there is none.
  void commit();
  // The book of that name, letter case ignored; empty when there is none.
  QString match(const QString& text) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QComboBox* box_;
  PageHost& host_;
  bool withSystemBook_;
  std::function<void(const QString&)> load_;
  QString loaded_;
  bool committing_ = false;
};
