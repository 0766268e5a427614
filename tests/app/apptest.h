// The main window on a fresh post office, headless, with scripted dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QTest>
#include <memory>

#include "app/ExportPage.h"
#include "app/ImportPage.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "groupwise/standin/standin.h"
#include "tests/support/fakedialogs.h"
#include "tests/support/testsupport.h"

class AppTest : public ::testing::Test {
 protected:
  AppTest() {
    gw::standin::registerProgId();
    form = std::make_unique<TForm1>(dialogs);
    form->setWindows(&form2, &form3, &proxyform);
  }
  ~AppTest() override { form.reset(); }

  template <typename T = QWidget>
  T* find(const char* name) const {
    T* w = form->findChild<T*>(name);
    if (!w) ADD_FAILURE() << "no control " << name;
    return w;
  }
  // The texts of a list's rows.
  static QStringList rows(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
  }
  static QStringList comboItems(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
  }
  // Clicks a row as a user does (selecting it).
  static void click(QListWidget* list, const QString& text) {
    auto found = list->findItems(text, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << text.toStdString();
    list->scrollToItem(found[0]);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found[0]).center());
  }
  // Double-clicks a row as a user does.
  static void dblClick(QListWidget* list, const QString& text) {
    auto found = list->findItems(text, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << text.toStdString();
    list->scrollToItem(found[0]);
    QPoint at = list->visualItemRect(found[0]).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  }
  // Shows the window and waits for its first activation.
  void showAndActivate() {
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }

  testing_support::FixedClock clock{2004, 1, 5, 10, 30};
  testing_support::PostOfficeFixture po{"alice"};
  testing_support::FakeDialogs dialogs;
  TForm2 form2;
  TForm3 form3;
  Tproxyform proxyform;
  std::unique_ptr<TForm1> form;
};
