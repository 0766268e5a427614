#include "app/Unit4.h"

#include <QCloseEvent>
#include <QShortcut>

#include "app/QtText.h"
#include "ui_Unit4.h"

Tproxyform::Tproxyform(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowCloseButtonHint), ui(new Ui::Tproxyform) {
  ui->setupUi(this);
  resize(sizeHint().expandedTo(QSize(360, 300)));
  // Without an account nothing in the main window can run, so it waits for this one.
  setWindowModality(Qt::ApplicationModal);
  connect(ui->pxyButton, &QPushButton::clicked, this, &Tproxyform::pxyButtonClick);
  connect(ui->revertButton, &QPushButton::clicked, this, &Tproxyform::revertButtonClick);
  connect(ui->Edit1, &QLineEdit::returnPressed, this, &Tproxyform::pxyButtonClick);
  connect(ui->ListBox1, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item) ui->Edit1->setText(item->data(Qt::UserRole).toString());
  });
  connect(ui->ListBox1, &QListWidget::itemDoubleClicked, this, &Tproxyform::pxyButtonClick);
  // Esc is the close box.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void Tproxyform::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Ready for a user id to be typed over the last one.
  ui->Edit1->setFocus();
  ui->Edit1->selectAll();
}

Tproxyform::~Tproxyform() {
  delete ui;
}

void Tproxyform::setUsers(const std::optional<std::vector<gw::api::ProxyGrantor>>& users) {
  ui->ListBox1->clear();
  ui->ListLabel->setVisible(users.has_value());
  ui->ListBox1->setVisible(users.has_value());
  if (!users) return;
  for (const gw::api::ProxyGrantor& g : *users) {
    QString id = fromWide(g.userId);
    QString name = fromWide(g.name);
    auto* item = new QListWidgetItem(name.isEmpty() || name == id ? id : name + " (" + id + ")");
    item->setData(Qt::UserRole, id);
    ui->ListBox1->addItem(item);
  }
}

void Tproxyform::pxyButtonClick() {
  emit userChosen(ui->Edit1->text().trimmed());
  close();
}

void Tproxyform::revertButtonClick() {
  emit userChosen(QString());
  close();
}

void Tproxyform::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit closed();
}
