#include <QGuiApplication>

#include "app/Application.h"
#include "app/Program.h"
#include "app/QtDialogs.h"

int main(int argc, char** argv) {
  // At 120 or 144 DPI the window is drawn at whole pixels with fonts of the screen's size;
  // a fractional scale leaves frame edges out.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
      Qt::HighDpiScaleFactorRoundingPolicy::RoundPreferFloor);
  MarrowbyApplication app(argc, argv);
  QtDialogs dialogs;
  return runMarrowby(app, dialogs);
}
