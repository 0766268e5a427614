// The import preview: the first records of the file as the import would store them, a
// column per paired GroupWise field. A cell that would fail shows its reason and is
// marked. Nothing is written.
#pragma once

#include <QWidget>

#include "import/importer.h"

namespace Ui {
class PreviewForm;
}

class PreviewForm : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewForm(QWidget* parent = nullptr);
  ~PreviewForm() override;

  void show(const importing::Preview& preview, const QString& file);

 private:
  Ui::PreviewForm* ui;
};
