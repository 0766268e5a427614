// The window as laid out: every control visible at every size the window can take,
// and every accelerator letter used once on a page.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QTabWidget>

#include "app/TRadioGroup.h"
#include "tests/app/apptest.h"

namespace {

// The accelerator letter of a caption ("&Export" gives E), or 0.
QChar accelerator(const QString& text) {
  for (int i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '&') {
      if (text[i + 1] == '&') {
        ++i;
        continue;
      }
      return text[i + 1].toUpper();
    }
  }
  return {};
}

// The captions on a page that carry an accelerator: buttons, group titles and labels.
QStringList captions(QWidget* page) {
  QStringList out;
  for (QWidget* w : page->findChildren<QWidget*>()) {
    if (w->window() != page->window()) continue;  // a window of its own, as the preview
    if (auto* b = qobject_cast<QAbstractButton*>(w)) out << b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) out << g->title();
    if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) out << l->text();
  }
  return out;
}

// Controls a user sees and works with: not the layout's containers.
bool isControl(QWidget* w) {
  return !qobject_cast<QGroupBox*>(w) && w->objectName() != "Panel1" &&
         !w->objectName().startsWith("qt_") && w->isVisibleTo(w->window());
}

}  // namespace

TEST_F(AppTest, EveryAcceleratorLetterIsUsedOncePerPage) {
  form->FormActivate();
  QStringList menu;
  for (QAction* a : form->menuBar()->actions()) menu << a->text();
  auto* tabs = find<QTabWidget>("TabbedNotebook1");
  for (int p = 0; p < tabs->count(); ++p) {
    QMap<QChar, QString> seen;
    for (const QString& caption : menu + captions(tabs->widget(p))) {
      QChar letter = accelerator(caption);
      if (letter.isNull()) continue;
      EXPECT_FALSE(seen.contains(letter)) << "page " << p << ": " << caption.toStdString()
                                          << " and " << seen.value(letter).toStdString();
      seen.insert(letter, caption);
    }
    EXPECT_GT(seen.size(), 8) << "page " << p;
  }
}

TEST_F(AppTest, EveryControlStaysWholeAtEverySize) {
  form->FormActivate();
  form->show();
  auto* tabs = find<QTabWidget>("TabbedNotebook1");
  QSize smallest = form->minimumSizeHint();
  for (QSize size : {smallest, form->sizeHint(), QSize(1600, 1100)}) {
    form->resize(size);
    for (int p = 0; p < tabs->count(); ++p) {
      for (int source : {0, 3}) {  // the address-book rows show in place of the date ones
        find<TRadioGroup>(p == 0 ? "RadioGroup1" : "RadioGroup5")->setItemIndex(source);
        tabs->setCurrentIndex(p);
        QWidget* page = tabs->widget(p);
        QApplication::processEvents();
        for (QWidget* w : page->findChildren<QWidget*>()) {
          if (!isControl(w) || w->parentWidget() != page) continue;
          QRect r = w->geometry();
          std::string where = w->objectName().toStdString() + " at " +
                              std::to_string(size.width()) + "x" + std::to_string(size.height());
          EXPECT_TRUE(page->rect().contains(r)) << where;
          QSize least = w->minimumSizeHint();
          EXPECT_GE(r.width(), std::min(least.width(), 40)) << where;
          EXPECT_GE(r.height(), least.height()) << where;
        }
      }
    }
  }
}
