#include <gtest/gtest.h>

#include "app/Application.h"

int main(int argc, char** argv) {
  // Headless unless a test run names a display platform.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  MarrowbyApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
