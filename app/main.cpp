#include "app/Application.h"
#include "app/Program.h"
#include "app/QtDialogs.h"

int main(int argc, char** argv) {
  MarrowbyApplication app(argc, argv);
  QtDialogs dialogs;
  return runMarrowby(app, dialogs);
}
