// The main window on a fresh post office, headless, with scripted dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <memory>

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
