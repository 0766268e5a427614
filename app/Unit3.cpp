#include "app/Unit3.h"

#include "app/HelpText.h"

TForm3::TForm3(QWidget* parent)
    : HelpWindow(QStringLiteral("Marrowby Help: Import"), kImportHelp, parent) {}
