#include "app/Unit2.h"

#include "app/HelpText.h"

TForm2::TForm2(QWidget* parent)
    : HelpWindow(QStringLiteral("Marrowby Help: Export"), kExportHelp, parent) {}
