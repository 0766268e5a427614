#include "app/PreviewForm.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QShortcut>

#include "ui_PreviewForm.h"

PreviewForm::PreviewForm(QWidget* parent) : QWidget(parent, Qt::Window), ui(new Ui::PreviewForm) {
  ui->setupUi(this);
  connect(ui->CloseBtn, &QPushButton::clicked, this, &QWidget::hide);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::hide);
}

PreviewForm::~PreviewForm() {
  delete ui;
}

void PreviewForm::show(const importing::Preview& preview, const QString& file) {
  QTableWidget* grid = ui->PreviewGrid;
  grid->clear();
  bool problems = false;
  for (const auto& row : preview.rows) problems = problems || !row.problem.empty();
  QStringList headers;
  for (const std::string& c : preview.columns) headers << QString::fromStdString(c);
  if (problems) headers << QStringLiteral("Problem");
  grid->setColumnCount(static_cast<int>(headers.size()));
  grid->setRowCount(static_cast<int>(preview.rows.size()));
  grid->setHorizontalHeaderLabels(headers);
  int failedCells = 0;
  for (int r = 0; r < grid->rowCount(); ++r) {
    const auto& row = preview.rows[static_cast<std::size_t>(r)];
    grid->setVerticalHeaderItem(r, new QTableWidgetItem("Line " + QString::number(row.line)));
    for (std::size_t c = 0; c < row.cells.size() && c < preview.columns.size(); ++c) {
      const importing::Cell& cell = row.cells[c];
      auto* item = new QTableWidgetItem(QString::fromStdString(cell.text));
      if (cell.failed) {
        ++failedCells;
        item->setBackground(QColor(255, 210, 210));
        item->setForeground(QColor(140, 0, 0));
        item->setToolTip(item->text());
      }
      grid->setItem(r, static_cast<int>(c), item);
    }
    if (problems && !row.problem.empty()) {
      auto* item = new QTableWidgetItem(QString::fromStdString(row.problem));
      item->setBackground(QColor(255, 210, 210));
      grid->setItem(r, grid->columnCount() - 1, item);
    }
  }
  grid->resizeColumnsToContents();
  for (int c = 0; c < grid->columnCount(); ++c) {
    grid->setColumnWidth(c, std::min(grid->columnWidth(c), 320));
  }
  QString text;
  if (!preview.failure.empty()) {
    text = QString::fromStdString(preview.failure);
  } else {
    text = preview.rows.size() == 1 ? "The first record of " + file + " as it would be stored."
                                    : "The first " + QString::number(preview.rows.size()) +
                                          " records of " + file + " as they would be stored.";
    text += " Nothing has been written.";
    if (failedCells > 0) {
      text += " Marked cells would fail; the import sets their lines aside.";
    }
  }
  ui->PreviewLabel->setText(text);
  if (!isVisible()) {
    QSize size(900, 520);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    }
    resize(size);
  }
  QWidget::show();
  raise();
  activateWindow();
}
