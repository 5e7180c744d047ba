#include "qt/start_window.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "qt/drop_target.h"
#include "qt/look.h"

namespace veskaro::qt {
namespace {

const char kLastFolderKey[] = "start/lastFolder";
const char kLastImageFolderKey[] = "start/lastImageFolder";
const char kImageFilter[] =
    "Disk images (*.img *.ima *.hdd *.dsk *.vhd *.vmdk *.qcow2);;All files (*)";

// The folder to start a picker in: the one remembered under `key` while it exists,
// else the home folder.
QString StartFolder(const QSettings& settings, const char* key) {
  const QString last = settings.value(key).toString();
  return !last.isEmpty() && QFileInfo(last).isDir() ? last : QDir::homePath();
}

// A button with its explanation beside it, in row `row` of `grid`.
QPushButton* AddChoice(QGridLayout* grid, int row, const char* name, const QString& caption,
                       const QString& explanation) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  auto* label = new QLabel(explanation);
  label->setWordWrap(true);
  label->setBuddy(button);
  grid->addWidget(button, row, 0);
  grid->addWidget(label, row, 1);
  return button;
}

}  // namespace

StartWindow::StartWindow(QSettings& settings, QString sample)
    : settings_(settings), recent_(settings), sample_(std::move(sample)) {
  setObjectName("StartWindow");
  setWindowTitle("Veskaro");
  setWindowIcon(ProgramIcon());
  ask_folder_ = [](QWidget* parent, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, "Open the folder of a Windows installation",
                                             start, QFileDialog::ShowDirsOnly);
  };
  ask_image_ = [](QWidget* parent, const QString& start) {
    return QFileDialog::getOpenFileName(parent, "Open a disk image", start, kImageFilter);
  };

  auto* heading = new QLabel("Open a Windows 95/98/Me installation");
  heading->setObjectName("heading");
  QFont heading_font = heading->font();
  heading_font.setPointSizeF(heading_font.pointSizeF() * 1.4);
  heading_font.setBold(true);
  heading->setFont(heading_font);

  auto* choices = new QGridLayout;
  choices->setColumnStretch(1, 1);
  QPushButton* folder = AddChoice(choices, 0, "openFolder", "&Folder...",
                                  "Drive C: of the installation, its Windows folder, or a folder "
                                  "holding a copied drive C: (such as drive_c)");
  QPushButton* image =
      AddChoice(choices, 1, "openImage", "Disk &image...",
                "A disk image file: raw (.img, .ima, .hdd, .dsk), VHD, VMDK or QCOW2");
  QPushButton* sample_button =
      AddChoice(choices, 2, "openSample", "&Sample",
                "The small made-up Windows 98 installation that comes with Veskaro");
  sample_button->setEnabled(!sample_.isEmpty());
  const int button_width = std::max(
      {folder->sizeHint().width(), image->sizeHint().width(), sample_button->sizeHint().width()});
  for (QPushButton* b : {folder, image, sample_button}) b->setMinimumWidth(button_width);

  auto* recent_label = new QLabel("&Recently opened");
  recent_list_ = new QListWidget;
  recent_list_->setObjectName("recent");
  recent_label->setBuddy(recent_list_);
  auto* open_recent = new QPushButton("&Open");
  open_recent->setObjectName("openRecent");
  auto* remove_recent = new QPushButton("Re&move");
  remove_recent->setObjectName("removeRecent");
  remove_recent->setToolTip("Remove from this list (the folder or image itself stays)");
  open_recent_ = open_recent;
  remove_recent_ = remove_recent;
  auto* recent_buttons = new QHBoxLayout;
  auto* hint = new QLabel("A folder or disk image dropped onto this window opens too.");
  hint->setObjectName("hint");
  QFont hint_font = hint->font();
  hint_font.setItalic(true);
  hint->setFont(hint_font);
  recent_buttons->addWidget(hint, 1);
  recent_buttons->addWidget(open_recent);
  recent_buttons->addWidget(remove_recent);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addSpacing(6);
  layout->addLayout(choices);
  layout->addSpacing(6);
  layout->addWidget(recent_label);
  layout->addWidget(recent_list_, 1);
  layout->addLayout(recent_buttons);
  resize(560, 400);

  connect(folder, &QPushButton::clicked, this, [this] { ChooseFolder(); });
  connect(image, &QPushButton::clicked, this, [this] { ChooseImage(); });
  connect(sample_button, &QPushButton::clicked, this, [this] {
    Open({InstallationChoice::Kind::kFolder, sample_});
  });
  connect(open_recent, &QPushButton::clicked, this, [this] { OpenRecent(); });
  connect(remove_recent, &QPushButton::clicked, this, [this] { RemoveRecent(); });
  connect(recent_list_, &QListWidget::itemActivated, this, [this] { OpenRecent(); });
  recent_list_->installEventFilter(this);
  connect(recent_list_, &QListWidget::currentRowChanged, this, [this](int row) {
    open_recent_->setEnabled(row >= 0);
    remove_recent_->setEnabled(row >= 0);
  });
  AcceptInstallationDrops(this, [this](const QString& path) { Open(ChoiceForPath(path)); });
  Refresh();
}

bool StartWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == recent_list_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Delete)) {
    RemoveRecent();  // Delete on the recent list takes the chosen entry off it
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void StartWindow::set_pickers(AskPath folder, AskPath image) {
  ask_folder_ = std::move(folder);
  ask_image_ = std::move(image);
}

void StartWindow::Refresh() {
  recent_list_->clear();
  const QIcon folder_icon = style()->standardIcon(QStyle::SP_DirIcon);
  const QIcon image_icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
  for (const InstallationChoice& choice : recent_.List()) {
    const bool is_image = choice.kind == InstallationChoice::Kind::kImage;
    auto* item = new QListWidgetItem(is_image ? image_icon : folder_icon,
                                     QDir::toNativeSeparators(choice.path), recent_list_);
    item->setToolTip(is_image ? "Disk image" : "Folder");
  }
  if (recent_list_->count() > 0) recent_list_->setCurrentRow(0);
  open_recent_->setEnabled(recent_list_->currentRow() >= 0);
  remove_recent_->setEnabled(recent_list_->currentRow() >= 0);
}

void StartWindow::Remember(const InstallationChoice& choice) {
  recent_.Add(choice);
  Refresh();
}

void StartWindow::ChooseFolder() {
  const QString chosen = ask_folder_(this, StartFolder(settings_, kLastFolderKey));
  if (chosen.isEmpty()) return;
  settings_.setValue(kLastFolderKey, chosen);
  Open({InstallationChoice::Kind::kFolder, chosen});
}

void StartWindow::ChooseImage() {
  const QString chosen = ask_image_(this, StartFolder(settings_, kLastImageFolderKey));
  if (chosen.isEmpty()) return;
  settings_.setValue(kLastImageFolderKey, QFileInfo(chosen).absolutePath());
  Open({InstallationChoice::Kind::kImage, chosen});
}

void StartWindow::OpenRecent() {
  const int row = recent_list_->currentRow();
  const QList<InstallationChoice> list = recent_.List();
  if (row >= 0 && row < list.size()) Open(list[row]);
}

void StartWindow::RemoveRecent() {
  const int row = recent_list_->currentRow();
  recent_.Remove(row);
  Refresh();
  if (recent_list_->count() > 0)
    recent_list_->setCurrentRow(std::min(row, recent_list_->count() - 1));
}

void StartWindow::Open(const InstallationChoice& choice) {
  if (on_open) on_open(choice);
}

}  // namespace veskaro::qt
